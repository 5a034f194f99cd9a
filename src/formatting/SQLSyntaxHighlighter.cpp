#include "formatting/SQLSyntaxHighlighter.h"

#include <unicode/regex.h>

#include "Core/Utilities/TextUtilities.h"
#include "Core/Utilities/IcuRegex.h"
#include "formatting/SyntaxTokenScanners.h"

namespace quellpad {

namespace {

// Every default clause pattern is a run of spaces or tabs followed by a keyword. The
// backtracking engine retries such a pattern at each blank of a run, which is
// quadratic in the run's length; scanning runs directly and matching only the keyword
// part at a run's end gives the same replacements in linear time.
const QString blankRunPrefix = QStringLiteral("(?i)[ \\t]+");

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// Starts a new line before every clause keyword that follows a run of blanks: the
// blanks are replaced by "\n" and the keyword is kept as written. `keywords` holds the
// patterns' keyword parts as one ordered alternation, so at each run the first
// pattern that matches wins and a phrase such as "LEFT JOIN" or "DELETE FROM" stays
// on one line.
QString breakBeforeKeywords(QStringView text, const IcuRegex& keywords) {
    IcuRegex::AnchoredMatcher matcher(keywords, text);
    QString output;
    qsizetype copiedUpTo = 0;
    qsizetype position = 0;
    const qsizetype n = text.size();
    while (position < n) {
        qsizetype runStart = position;
        while (runStart < n && !isBlank(text[runStart])) {
            ++runStart;
        }
        if (runStart >= n) {
            break;
        }
        qsizetype runEnd = runStart;
        while (runEnd < n && isBlank(text[runEnd])) {
            ++runEnd;
        }
        position = runEnd;
        if (runEnd >= n) {
            break;
        }
        const std::optional<IcuRegex::Match> match = matcher.matchAt(runEnd);
        if (match && match->end > runEnd) {
            output.append(text.mid(copiedUpTo, runStart - copiedUpTo));
            output.append(QLatin1Char('\n'));
            output.append(text.mid(runEnd, match->end - runEnd));
            copiedUpTo = position = match->end;
        }
    }
    if (copiedUpTo == 0) {
        return text.toString();
    }
    output.append(text.mid(copiedUpTo));
    return output;
}

QString replaceWithGroup(QStringView text, const IcuRegex& pattern) {
    QString output;
    qsizetype copiedUpTo = 0;
    pattern.forEachMatch(
        text,
        [&](const IcuRegex::Match& whole, const std::optional<IcuRegex::Match>& group) {
            output.append(text.mid(copiedUpTo, whole.start - copiedUpTo));
            output.append(QLatin1Char('\n'));
            if (group) {
                output.append(text.mid(group->start, group->end - group->start));
            }
            copiedUpTo = whole.end;
            return true;
        },
        1);
    output.append(text.mid(copiedUpTo));
    return output;
}

// Post-processing of formatted text outside quoted runs.
// `[ \t]+\n` -> "\n": a blank run counts only when a line feed ends it.
QString dropTrailingBlanks(const QString& text) {
    QString output;
    output.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (!isBlank(text[i])) {
            output.append(text[i]);
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && isBlank(text[end])) {
            ++end;
        }
        if (end >= text.size() || text[end] != QLatin1Char('\n')) {
            output.append(QStringView(text).mid(i, end - i));
        }
        i = end;
    }
    return output;
}

// `\n{3,}` -> "\n\n".
QString collapseBlankLines(const QString& text) {
    QString output;
    output.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] != QLatin1Char('\n')) {
            output.append(text[i]);
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && text[end] == QLatin1Char('\n')) {
            ++end;
        }
        output.append(QString(std::min<qsizetype>(end - i, 2), QLatin1Char('\n')));
        i = end;
    }
    return output;
}

// `^[ \t]*\n` at the very start -> "".
QString dropLeadingBlankLine(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    return i < text.size() && text[i] == QLatin1Char('\n') ? text.mid(i + 1) : text;
}

struct Piece {
    QString text;
    bool quoted = false; // a string or quoted identifier: copied exactly, never touched
};

} // namespace

const QStringList& SQLSyntaxHighlighter::defaultClausePatterns() {
    static const QStringList patterns{
        QStringLiteral("(?i)[ \\t]+(UNION\\s+ALL)\\b"),
        QStringLiteral("(?i)[ \\t]+((?:INNER|LEFT|RIGHT|FULL|CROSS)\\s+JOIN)\\b"),
        QStringLiteral("(?i)[ \\t]+(GROUP\\s+BY|ORDER\\s+BY|DELETE\\s+FROM|INSERT\\s+INTO)\\b"),
        QStringLiteral("(?i)[ \\t]+(SELECT|FROM|WHERE|HAVING|JOIN|ON|VALUES|UPDATE|SET|LIMIT|OFFSET|UNION|WITH|"
                       "RETURNING|CASE|WHEN|THEN|ELSE|END)\\b"),
    };
    return patterns;
}

const QStringList& SQLSyntaxHighlighter::keywords() {
    static const QStringList list = QStringLiteral(
        "SELECT FROM WHERE AND OR INSERT INTO VALUES UPDATE SET DELETE FROM JOIN INNER LEFT RIGHT FULL CROSS ON "
        "GROUP BY HAVING ORDER LIMIT OFFSET UNION ALL EXISTS IN NOT IS NULL TRUE FALSE AS ASC DESC CREATE TABLE "
        "ALTER DROP COLUMN PRIMARY KEY FOREIGN REFERENCES INDEX VIEW TRUNCATE MERGE CASE WHEN THEN ELSE END CAST "
        "CONVERT LIKE BETWEEN DISTINCT TOP PERCENT WITH RECURSIVE").split(QLatin1Char(' '));
    return list;
}

SQLSyntaxHighlighter::SQLSyntaxHighlighter(SyntaxColorTheme theme, QStringList clausePatterns)
    : theme_(std::move(theme)), clausePatterns_(std::move(clausePatterns)) {
    for (const QString& pattern : clausePatterns_) {
        const auto whole = IcuRegex::compile(pattern);
        if (whole == nullptr) {
            continue; // a pattern that does not compile is skipped
        }
        CompiledClause clause{nullptr, whole};
        if (pattern.startsWith(blankRunPrefix)) {
            clause.keywordAfterBlanks = IcuRegex::compile(QStringLiteral("(?i)") + pattern.mid(blankRunPrefix.size()));
        }
        compiledClauses_.push_back(std::move(clause));
    }
    QStringList alternatives;
    for (std::size_t i = 0; i < compiledClauses_.size(); ++i) {
        if (compiledClauses_[i].keywordAfterBlanks == nullptr) {
            alternatives.clear();
            break;
        }
        alternatives.push_back(QStringLiteral("(?:") + compiledClauses_[i].keywordAfterBlanks->pattern().mid(4) +
                               QStringLiteral(")"));
    }
    if (!alternatives.isEmpty()) {
        combinedKeywords_ = IcuRegex::compile(QStringLiteral("(?i)(?:") + alternatives.join(QLatin1Char('|')) +
                                              QStringLiteral(")"));
    }
}

QString SQLSyntaxHighlighter::breakClauses(QStringView code) const {
    if (combinedKeywords_ != nullptr) {
        return breakBeforeKeywords(code, *combinedKeywords_);
    }
    // Patterns of another shape: each replaces on the result of the previous one.
    QString current = code.toString();
    for (const CompiledClause& clause : compiledClauses_) {
        current = replaceWithGroup(current, *clause.whole);
    }
    return current;
}

QString SQLSyntaxHighlighter::format(const QString& text) const {
    const std::vector<qsizetype> bounds = TextUtilities::graphemeBoundaries(text);
    const qsizetype count = static_cast<qsizetype>(bounds.size()) - 1;
    auto character = [&](qsizetype k) {
        return QStringView(text).mid(bounds[static_cast<size_t>(k)], bounds[static_cast<size_t>(k) + 1] - bounds[static_cast<size_t>(k)]);
    };
    auto is = [&](qsizetype k, QLatin1String value) { return k < count && character(k) == value; };
    auto slice = [&](qsizetype from, qsizetype to) {
        return QStringView(text).mid(bounds[static_cast<size_t>(from)], bounds[static_cast<size_t>(to)] - bounds[static_cast<size_t>(from)]);
    };

    std::vector<Piece> pieces;
    auto appendFree = [&](const QString& piece) {
        if (!pieces.empty() && !pieces.back().quoted) {
            pieces.back().text.append(piece);
        } else {
            pieces.push_back({piece, false});
        }
    };
    qsizetype codeStart = -1;
    auto flush = [&](qsizetype upTo) {
        if (codeStart >= 0 && upTo > codeStart) {
            appendFree(breakClauses(slice(codeStart, upTo)));
        }
        codeStart = -1;
    };

    qsizetype i = 0;
    while (i < count) {
        const QStringView c = character(i);
        QLatin1String closing;
        if (c == QLatin1String("'") || c == QLatin1String("\"") || c == QLatin1String("`")) {
            closing = QLatin1String(c == QLatin1String("'") ? "'" : c == QLatin1String("\"") ? "\"" : "`");
        } else if (c == QLatin1String("[")) {
            closing = QLatin1String("]");
        }
        if (closing.size() > 0) {
            flush(i);
            qsizetype end = count;
            for (qsizetype j = i + 1; j < count; ++j) {
                if (is(j, closing)) {
                    if (is(j + 1, closing)) {
                        ++j; // a doubled closing character is an escaped one
                        continue;
                    }
                    end = j + 1;
                    break;
                }
            }
            pieces.push_back({slice(i, end).toString(), true});
            i = end;
            continue;
        }
        if (c == QLatin1String("-") && is(i + 1, QLatin1String("-"))) {
            flush(i);
            qsizetype end = count;
            for (qsizetype j = i + 2; j < count; ++j) {
                // CR LF is one character; it ends the comment as a line feed does.
                if (is(j, QLatin1String("\n")) || is(j, QLatin1String("\r\n"))) {
                    end = j + 1;
                    break;
                }
            }
            appendFree(slice(i, end).toString());
            i = end;
            continue;
        }
        if (c == QLatin1String("/") && is(i + 1, QLatin1String("*"))) {
            flush(i);
            qsizetype end = count;
            for (qsizetype j = i + 2; j + 1 < count; ++j) {
                if (is(j, QLatin1String("*")) && is(j + 1, QLatin1String("/"))) {
                    end = j + 2;
                    break;
                }
            }
            appendFree(slice(i, end).toString());
            i = end;
            continue;
        }
        if (codeStart < 0) {
            codeStart = i;
        }
        ++i;
    }
    flush(count);

    // Tidy the line breaks outside quoted runs, whose contents are data.
    const bool keepLeadingBreak = text.startsWith(QLatin1Char('\n')) || text.startsWith(QLatin1Char('\r'));
    QString output;
    output.reserve(text.size() + text.size() / 8);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (pieces[k].quoted) {
            output.append(pieces[k].text);
            continue;
        }
        QString free = pieces[k].text;
        if (k == 0 && !keepLeadingBreak) {
            free = dropLeadingBlankLine(free);
        }
        output.append(collapseBlankLines(dropTrailingBlanks(free)));
    }
    return output;
}

StyledText SQLSyntaxHighlighter::highlight(const QString& text) const {
    static const auto keywordPattern =
        IcuRegex::compile(QStringLiteral("\\b(") + keywords().join(QLatin1Char('|')) + QStringLiteral(")\\b"),
                          UREGEX_CASE_INSENSITIVE);
    static const auto numberPattern = IcuRegex::compile(QStringLiteral("\\b[0-9]+(\\.[0-9]+)?\\b"));
    static const auto lineCommentPattern = IcuRegex::compile(QStringLiteral("--[^\\n]*"));

    SyntaxPaintBuffer buffer(text.size());
    if (keywordPattern != nullptr) {
        keywordPattern->forEachMatch(text, [&](const IcuRegex::Match& match, const std::optional<IcuRegex::Match>&) {
            buffer.paint(match.start, match.end, SyntaxColorRole::keyword);
            return true;
        });
    }
    if (numberPattern != nullptr) {
        numberPattern->forEachMatch(text, [&](const IcuRegex::Match& match, const std::optional<IcuRegex::Match>&) {
            if (!buffer.anyPainted(match.start, match.end, SyntaxColorRole::keyword)) {
                buffer.paint(match.start, match.end, SyntaxColorRole::number);
            }
            return true;
        });
    }
    SyntaxTokenScanners::forEachQuotedString(text, u'\'', [&](qsizetype start, qsizetype end) {
        buffer.paint(start, end, SyntaxColorRole::string);
    });
    if (lineCommentPattern != nullptr) {
        lineCommentPattern->forEachMatch(text, [&](const IcuRegex::Match& match, const std::optional<IcuRegex::Match>&) {
            buffer.paint(match.start, match.end, SyntaxColorRole::comment);
            return true;
        });
    }
    SyntaxTokenScanners::forEachBlockComment(text, [&](qsizetype start, qsizetype end) {
        buffer.paint(start, end, SyntaxColorRole::comment);
    });
    return {text, buffer.runs(), theme_};
}

} // namespace quellpad
