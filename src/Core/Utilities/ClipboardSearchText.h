// The text forms every search path compares: documents, queries, filter values and
// classification labels all pass through the same normalisation, so stored and
// typed text always meet in one form.
#pragma once

#include <initializer_list>
#include <string_view>
#include <vector>
#include <unordered_set>

#include <QByteArray>
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

// A document's grams as UTF-8 byte strings, the form the index stores: sorted, each
// once. The views point into `storage`, so the value must not be copied.
struct Utf8Grams {
    std::vector<QByteArray> storage;
    std::vector<std::string_view> grams;

    Utf8Grams() = default;
    Utf8Grams(const Utf8Grams&) = delete;
    Utf8Grams& operator=(const Utf8Grams&) = delete;
};

// The same set as documentGrams, without a string object per gram.
void documentGramsUtf8(QStringView compactText, QStringView pinyinCompact, Utf8Grams& result);

// The grams a compact query is looked up by: its bigram when it has exactly two
// characters, else its trigrams; nothing below two characters.
GramSet queryGrams(QStringView compactQuery);

} // namespace quellpad::ClipboardSearchText
