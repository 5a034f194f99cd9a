#include "localization/Localizer.h"

#include "localization/LanguageTables.h"
#include "platform/DefaultsStore.h"

namespace quellpad {

QString Localizer::text(TextKey key, const QStringList& arguments) const {
    return text(currentLanguage(defaults_), key, arguments);
}

QString Localizer::text(AppLanguage language, TextKey key, const QStringList& arguments) {
    const char* raw = language == AppLanguage::simplifiedChinese ? LanguageTables::simplifiedChinese(key)
                                                                 : LanguageTables::english(key);
    QString result = QString::fromUtf8(raw);
    // Fill all placeholders in one pass so that a value containing "%2" is never re-expanded.
    if (!arguments.isEmpty()) {
        QString filled;
        filled.reserve(result.size());
        for (qsizetype i = 0; i < result.size(); ++i) {
            if (result[i] == QLatin1Char('%') && i + 1 < result.size() && result[i + 1].isDigit()) {
                const int index = result[i + 1].digitValue() - 1;
                if (index >= 0 && index < arguments.size()) {
                    filled += arguments[index];
                    ++i;
                    continue;
                }
            }
            filled += result[i];
        }
        result = filled;
    }
    return result;
}

} // namespace quellpad
