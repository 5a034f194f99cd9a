// Renders text keys in the current interface language, read at each call.
#pragma once

#include <QString>
#include <QStringList>

#include "localization/AppLanguage.h"
#include "localization/TextKey.h"

namespace quellpad {

class DefaultsStore;

class Localizer {
public:
    explicit Localizer(const DefaultsStore& defaults) : defaults_(defaults) {}

    QString text(TextKey key, const QStringList& arguments = {}) const;
    // The interface language now (dates and numbers follow it too).
    AppLanguage language() const { return currentLanguage(defaults_); }

    static QString text(AppLanguage language, TextKey key, const QStringList& arguments = {});

private:
    const DefaultsStore& defaults_;
};

} // namespace quellpad
