// The interface language and its switch. The language is read from "AppLanguage" at
// every lookup: "zh-Hans" selects Simplified Chinese, anything else English.
#pragma once

#include <array>

#include "Core/Utilities/RawValueEnum.h"

namespace quellpad {

class DefaultsStore;
class NotificationCenter;

enum class AppLanguage { english, simplifiedChinese };

inline constexpr std::array<RawValueCase<AppLanguage>, 2> appLanguageCases{{
    {AppLanguage::english, "en"},
    {AppLanguage::simplifiedChinese, "zh-Hans"},
}};

inline QString rawValue(AppLanguage language) { return rawValueOf(appLanguageCases, language); }

inline const QString appLanguageDidChangeNotification = QStringLiteral("Quellpad.AppLanguageDidChange");

class AppLanguageSettings {
public:
    AppLanguageSettings(DefaultsStore& defaults, NotificationCenter& notifications);

    AppLanguage currentLanguage() const;
    // Stores the language and, when it changed, posts "Quellpad.AppLanguageDidChange"
    // later on the main thread with {"language": raw value}.
    void setLanguage(AppLanguage language);
    // "en" or "zh-Hans", for number and date formatting on settings pages.
    QString localeIdentifier() const;

private:
    DefaultsStore& defaults_;
    NotificationCenter& notifications_;
};

// Reads "AppLanguage" with the rule above.
AppLanguage currentLanguage(const DefaultsStore& defaults);

} // namespace quellpad
