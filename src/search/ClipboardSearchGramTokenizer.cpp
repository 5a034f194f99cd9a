#include "search/ClipboardSearchGramTokenizer.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include <QString>
#include <sqlite3.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "Core/Utilities/ClipboardSearchText.h"

namespace quellpad::ClipboardSearchGramTokenizer {

namespace {

// The tokenizer keeps no state; FTS5 only needs a non-null handle.
int statelessState = 0;

int create(void*, const char**, int argumentCount, Fts5Tokenizer** tokenizer) {
    if (argumentCount != 0) {
        return SQLITE_ERROR;
    }
    *tokenizer = reinterpret_cast<Fts5Tokenizer*>(&statelessState);
    return SQLITE_OK;
}

void destroy(Fts5Tokenizer*) {}

// True when a character of the text may join its neighbour into one grapheme
// cluster (marks, joiners, flags, jamo), or the text holds a space: then its
// characters and its code points differ, and the row is searched the slow, exact way.
bool needsExactMatching(const char* text, int length) {
    int32_t offset = 0;
    while (offset < length) {
        UChar32 c = 0;
        U8_NEXT(reinterpret_cast<const uint8_t*>(text), offset, length, c);
        if (c < 0 || c == U' ') {
            return true;
        }
        const int breakClass = u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK);
        if (breakClass != U_GCB_OTHER && breakClass != U_GCB_CONTROL && breakClass != U_GCB_CR &&
            breakClass != U_GCB_LF) {
            return true;
        }
    }
    return false;
}


// One posting per distinct code point that is not a letter or number: a one-character
// punctuation query has no gram, and without these would read every row.
int emitSymbols(const char* text, int length, void* context, int (*token)(void*, int, const char*, int, int, int)) {
    std::vector<std::string_view> symbols;
    int32_t offset = 0;
    while (offset < length) {
        const int32_t start = offset;
        UChar32 c = 0;
        U8_NEXT(reinterpret_cast<const uint8_t*>(text), offset, length, c);
        if (c >= 0 && !isAlphanumeric(static_cast<char32_t>(c))) {
            symbols.emplace_back(text + start, static_cast<size_t>(offset - start));
        }
    }
    std::sort(symbols.begin(), symbols.end());
    symbols.erase(std::unique(symbols.begin(), symbols.end()), symbols.end());
    for (std::string_view symbol : symbols) {
        const int result = token(context, 0, symbol.data(), static_cast<int>(symbol.size()), 0, length);
        if (result != SQLITE_OK) {
            return result;
        }
    }
    return SQLITE_OK;
}

int tokenize(Fts5Tokenizer*, void* context, int flags, const char* text, int length,
             int (*token)(void*, int, const char*, int, int, int)) {
    if (length <= 0) {
        return SQLITE_OK;
    }
    if ((flags & FTS5_TOKENIZE_QUERY) != 0) {
        // A quoted gram of a query is looked up as it is.
        return token(context, 0, text, length, 0, length);
    }
    if (needsExactMatching(text, length)) {
        const int result = token(context, 0, exactMatchingMarker, 1, 0, length);
        if (result != SQLITE_OK) {
            return result;
        }
    }
    if (const int result = emitSymbols(text, length, context, token); result != SQLITE_OK) {
        return result;
    }
    ClipboardSearchText::Utf8Grams grams;
    ClipboardSearchText::documentGramsUtf8(QString::fromUtf8(text, length), QStringView(), grams);
    for (std::string_view gram : grams.grams) {
        const int result = token(context, 0, gram.data(), static_cast<int>(gram.size()), 0, length);
        if (result != SQLITE_OK) {
            return result;
        }
    }
    return SQLITE_OK;
}

fts5_api* fts5Interface(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1);", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return api;
}

} // namespace

int registerOn(sqlite3* db) {
    fts5_api* api = fts5Interface(db);
    if (api == nullptr || api->iVersion < 2) {
        return SQLITE_ERROR;
    }
    static fts5_tokenizer tokenizer{create, destroy, tokenize};
    return api->xCreateTokenizer(api, name, nullptr, &tokenizer, nullptr);
}

bool isAlphanumeric(char32_t codePoint) {
    switch (u_charType(static_cast<UChar32>(codePoint))) {
    case U_UPPERCASE_LETTER:
    case U_LOWERCASE_LETTER:
    case U_TITLECASE_LETTER:
    case U_MODIFIER_LETTER:
    case U_OTHER_LETTER:
    case U_NON_SPACING_MARK:
    case U_ENCLOSING_MARK:
    case U_COMBINING_SPACING_MARK:
    case U_DECIMAL_DIGIT_NUMBER:
    case U_LETTER_NUMBER:
    case U_OTHER_NUMBER:
        return true;
    default:
        return false;
    }
}

} // namespace quellpad::ClipboardSearchGramTokenizer
