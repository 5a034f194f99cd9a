// Every settings key with the type its readers expect, for the command line's
// `config` and the settings windows.
#pragma once

#include <optional>
#include <vector>

#include <QString>

namespace quellpad {

enum class PreferenceType {
    boolean,
    integer,
    floatingPoint,
    string,
    stringArray,
    dictionary, // string keys to numbers, strings or Booleans
    json,       // bytes holding a JSON document
    bytes,      // opaque bytes
};

QString preferenceTypeName(PreferenceType type);

struct PreferenceDescriptor {
    QString key;
    PreferenceType type;
};

const std::vector<PreferenceDescriptor>& preferenceCatalog();
std::optional<PreferenceDescriptor> preferenceDescriptor(const QString& key);

} // namespace quellpad
