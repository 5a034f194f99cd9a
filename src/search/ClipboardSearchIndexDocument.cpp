#include "search/ClipboardSearchIndexDocument.h"

#include "Core/Utilities/TextUtilities.h"
#include "settings/PreferenceKeys.h"
#include "platform/DefaultsStore.h"
#include "Core/Utilities/ClipboardSearchText.h"

namespace quellpad {

ClipboardSearchIndexConfiguration ClipboardSearchIndexConfiguration::fromDefaults(const DefaultsStore& defaults) {
    ClipboardSearchIndexConfiguration configuration;
    configuration.isPinyinIndexEnabled = defaults.boolValue(PreferenceKeys::searchPinyinIndexEnabled).value_or(false);
    return configuration;
}

ClipboardSearchIndexDocument ClipboardSearchIndexDocument::make(const ClipboardSearchSourceDocument& source,
                                                                const ClipboardSearchIndexConfiguration& configuration) {
    const int limit = source.contentType == ClipboardContentType::image ? configuration.imageOCRCharacterLimit
                                                                         : configuration.textCharacterLimit;
    bool truncated = false;
    const QString text = TextUtilities::graphemePrefix(source.searchableText, std::max(limit, 0), &truncated);

    ClipboardSearchIndexDocument document;
    document.id = source.id;
    document.preview = source.preview;
    document.createdAt = source.createdAt;
    document.sortAt = sortDate(source.createdAt, source.lastAccessedAt);
    document.lastAccessedAt = source.lastAccessedAt;
    document.accessCount = std::max<qint64>(source.accessCount, 0);
    document.contentType = source.contentType;
    document.bundleIdentifier = source.bundleIdentifier;
    document.classification = source.classification;
    document.normalizedText = ClipboardSearchText::normalizeSearchText(text);
    document.compactText = ClipboardSearchText::compactSearchText(document.normalizedText);
    if (configuration.isPinyinIndexEnabled) {
        ClipboardSearchText::PinyinForms pinyin = ClipboardSearchText::pinyinForms(text);
        document.pinyinCompact = std::move(pinyin.compact);
        document.pinyinSpaced = std::move(pinyin.spaced);
    }
    document.isTruncated = truncated;
    return document;
}

} // namespace quellpad
