#include "search/ClipboardSearchVocabulary.h"

#include <nlohmann/json.hpp>

#include "Core/Utilities/TextUtilities.h"
#include "app/PreferenceKeys.h"
#include "classification/ClipboardClassificationModel.h"
#include "platform/DefaultsStore.h"

namespace quellpad::ClipboardSearchVocabulary {

const std::vector<Name>& mainContentTypes() {
    static const std::vector<Name> names = [] {
        std::vector<Name> built;
        for (const ClipboardMainContentTypeDefinition& definition : mainContentTypeDefinitions()) {
            built.push_back({rawValue(definition.id), definition.displayName});
        }
        return built;
    }();
    return names;
}

const std::vector<Name>& systemClassifications() {
    static const std::vector<Name> names = [] {
        std::vector<Name> built;
        for (const ClipboardSystemClassificationDefinition& definition : systemClassificationDefinitions()) {
            built.push_back({rawValue(definition.id), definition.displayName});
        }
        return built;
    }();
    return names;
}

std::vector<QString> enabledMainContentTypes(const DefaultsStore& defaults) {
    const std::optional<QStringList> stored = defaults.stringArrayValue(PreferenceKeys::enabledMainContentTypes);
    std::vector<QString> result;
    for (const Name& type : mainContentTypes()) {
        if (!stored || stored->contains(type.identifier)) {
            result.push_back(type.identifier);
        }
    }
    return result;
}

std::vector<UserLabel> userLabels(const DefaultsStore& defaults) {
    std::vector<UserLabel> result;
    const std::optional<QByteArray> data = defaults.bytesValue(PreferenceKeys::classificationUserRules);
    if (!data) {
        return result;
    }
    const nlohmann::json rules = nlohmann::json::parse(data->constBegin(), data->constEnd(), nullptr, false);
    if (!rules.is_array()) {
        return result;
    }
    for (const nlohmann::json& rule : rules) {
        if (!rule.is_object()) {
            return {};
        }
        const auto name = rule.find("name");
        const auto label = rule.find("resultClassification");
        const auto enabled = rule.find("isEnabled");
        if (name == rule.end() || !name->is_string() || label == rule.end() || !label->is_string() ||
            enabled == rule.end() || !enabled->is_boolean()) {
            return {};
        }
        const QString trimmedName = TextUtilities::trimmedWhitespace(QString::fromStdString(name->get<std::string>()));
        const QString trimmedLabel =
            TextUtilities::trimmedWhitespace(QString::fromStdString(label->get<std::string>()));
        if (trimmedName.isEmpty() || trimmedLabel.isEmpty()) {
            continue;
        }
        result.push_back({trimmedLabel, enabled->get<bool>()});
    }
    return result;
}

} // namespace quellpad::ClipboardSearchVocabulary
