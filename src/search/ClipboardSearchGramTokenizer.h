// The FTS5 tokenizer "quellpad_grams" behind the gram postings table: a document
// column becomes its set of 2- and 3-character grams (grapheme clusters, as
// ClipboardSearchText::searchGrams cuts them); a query phrase stays one token, so
// MATCH '"ab" AND "bcd"' finds the rows whose gram set holds every phrase. A column
// also posts each distinct code point that is not a letter or number ("-", "@"),
// so that rows holding a one-character punctuation query can be looked up too.
#pragma once

struct sqlite3;

namespace quellpad::ClipboardSearchGramTokenizer {

inline constexpr const char* name = "quellpad_grams";

// An extra one-byte posting (never a gram: grams have two or more characters) on
// the rows whose compact forms hold a multi-code-point character or a space; the
// shortcuts that compare code points (substr, instr against grams) skip them and
// they are ranked one by one instead.
inline constexpr const char* exactMatchingMarker = "\x01";

// Letters, marks and numbers: what decides between the FTS and scan paths, and what
// the tokenizer does not post as punctuation.
bool isAlphanumeric(char32_t codePoint);

// Registers the tokenizer on this connection; needed before the gram table is
// created or read. Returns an SQLite result code.
int registerOn(sqlite3* db);

} // namespace quellpad::ClipboardSearchGramTokenizer
