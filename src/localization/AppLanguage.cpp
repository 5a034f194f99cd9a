#include "localization/AppLanguage.h"

#include "Core/Utilities/NotificationCenter.h"
#include "settings/PreferenceKeys.h"
#include "platform/DefaultsStore.h"

namespace quellpad {

AppLanguage currentLanguage(const DefaultsStore& defaults) {
    const std::optional<QString> stored = defaults.stringValue(PreferenceKeys::appLanguage);
    return stored == QStringLiteral("zh-Hans") ? AppLanguage::simplifiedChinese : AppLanguage::english;
}

AppLanguageSettings::AppLanguageSettings(DefaultsStore& defaults, NotificationCenter& notifications)
    : defaults_(defaults), notifications_(notifications) {}

AppLanguage AppLanguageSettings::currentLanguage() const {
    return quellpad::currentLanguage(defaults_);
}

void AppLanguageSettings::setLanguage(AppLanguage language) {
    if (currentLanguage() == language) {
        return;
    }
    const QString raw = rawValue(language);
    defaults_.set(PreferenceKeys::appLanguage, raw);
    notifications_.postAsynchronously(appLanguageDidChangeNotification, {{QStringLiteral("language"), raw}});
}

QString AppLanguageSettings::localeIdentifier() const {
    return rawValue(currentLanguage());
}

} // namespace quellpad
