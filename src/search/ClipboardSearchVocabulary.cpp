#include "search/ClipboardSearchVocabulary.h"

#include "Core/Utilities/TextUtilities.h"
#include "classification/ClipboardClassificationModel.h"
#include "classification/ClipboardClassificationSettings.h"
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

namespace {
// The settings reader takes a writable store; these lookups only read from it.
ClipboardClassificationSettings settingsOf(const DefaultsStore& defaults) {
    return ClipboardClassificationSettings(const_cast<DefaultsStore&>(defaults));
}
} // namespace

std::vector<QString> enabledMainContentTypes(const DefaultsStore& defaults) {
    std::vector<QString> result;
    for (ClipboardMainContentType type : settingsOf(defaults).enabledMainContentTypes()) {
        result.push_back(rawValue(type));
    }
    return result;
}

std::vector<UserLabel> userLabels(const DefaultsStore& defaults) {
    std::vector<UserLabel> result;
    for (const ClipboardUserClassificationRule& rule : settingsOf(defaults).userRules()) {
        const QString label = TextUtilities::trimmedWhitespace(rule.resultClassification);
        if (!label.isEmpty()) {
            result.push_back({label, rule.isEnabled});
        }
    }
    return result;
}

} // namespace quellpad::ClipboardSearchVocabulary
