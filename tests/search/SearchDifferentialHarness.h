// Randomised corpora and queries, and the comparison of two index implementations
// page by page: the store against the written statements.
#pragma once

#include <functional>
#include <optional>
#include <random>
#include <vector>

#include <QString>

#include "search/ClipboardSearchFilter.h"
#include "search/ClipboardSearchIndexDocument.h"
#include "search/ClipboardSearchPage.h"

namespace quellpad {
class DefaultsStore;
}

namespace quellpad::test {

// One search as a user types it (text and filters), with the page asked for.
struct DifferentialCase {
    QString input;
    int limit = 50;
    int offset = 0;
};

// What an index answers; both sides of a comparison are called with the same values.
struct SearchSide {
    std::function<ClipboardSearchPage(const ClipboardSearchIndexQuery&, const std::vector<ClipboardSearchFilter>&, int,
                                      int)>
        search;
    std::function<ClipboardSearchPage(int, int)> fetchRecent;
};

// English, code, punctuation-heavy text, CJK, mixed scripts (marks, emoji, flags),
// system and user labels, apps, content types, pinyin on or off per item, and
// times coarse enough that many items share one.
// spreadDays > 0 moves each item back by up to that many whole days, so that date
// filters split the corpus.
std::vector<ClipboardSearchIndexDocument> randomCorpus(std::mt19937& random, int count, int spreadDays = 0);

// Shapes: prefixes of one to three letters, words, several words, long tokens,
// substrings across word and token borders, punctuation, CJK, pinyin, misses,
// hostile FTS syntax; with filters and offsets some of the time.
std::vector<DifferentialCase> randomCases(std::mt19937& random, const std::vector<ClipboardSearchIndexDocument>& corpus,
                                          int count);

// User rules whose labels the corpus uses, so that "type:" can name them.
void installUserLabels(DefaultsStore& defaults);

// Runs every case on both sides (parsed as the search service parses it) and also
// compares recent pages; the description of the first difference, or nullopt.
std::optional<QString> firstDifference(const SearchSide& candidate, const SearchSide& reference,
                                       const std::vector<DifferentialCase>& cases, DefaultsStore& defaults,
                                       int* comparedCases = nullptr);

} // namespace quellpad::test
