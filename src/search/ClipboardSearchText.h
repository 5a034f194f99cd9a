// The text forms every search path compares: documents, queries, filter values and
// classification labels all pass through the same normalisation, so stored and
// typed text always meet in one form.
#pragma once

#include <initializer_list>
#include <unordered_set>

#include <QHash>
#include <QString>
#include <QStringView>

namespace quellpad::ClipboardSearchText {

// Characters at the start of a text whose Han characters get pinyin forms.
inline constexpr qsizetype pinyinPrefixCharacters = 100;

// Case and diacritic folding (width kept), words split at any Unicode white space
// and joined by single spaces, then full lower-casing. All-white-space text gives "".
QString normalizeSearchText(QStringView text);

// The normalised text with every U+0020 space removed (other characters stay).
QString compactSearchText(QStringView normalizedText);

struct PinyinForms {
    QString compact; // "zhongwen"
    QString spaced;  // "zhong wen"
    bool operator==(const PinyinForms&) const = default;
};

// Toneless syllables of the Han characters among the first 100 characters; every
// other character contributes nothing.
PinyinForms pinyinForms(QStringView text);

using GramSet = std::unordered_set<QString>;

// Every run of n consecutive characters (grapheme clusters) for each size n.
GramSet searchGrams(QStringView text, std::initializer_list<int> sizes);

// The grams a document stores: 2- and 3-grams of its compact text and compact pinyin.
GramSet documentGrams(QStringView compactText, QStringView pinyinCompact);

// The grams a compact query is looked up by: its bigram when it has exactly two
// characters, else its trigrams; nothing below two characters.
GramSet queryGrams(QStringView compactQuery);

} // namespace quellpad::ClipboardSearchText
