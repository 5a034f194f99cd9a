// Formats and colours SQL items. Formatting does not parse SQL: it walks the text once,
// copies quoted strings, quoted identifiers and comments unchanged, and starts a new
// line before each major clause keyword in the code between them.
#pragma once

#include <memory>
#include <vector>

#include <QStringList>

#include "formatting/SyntaxHighlighting.h"

namespace quellpad {

class IcuRegex;

class SQLSyntaxHighlighter : public SyntaxHighlighting {
public:
    // The four clause patterns, applied in order: spaces or tabs, then a clause
    // keyword captured as group 1.
    static const QStringList& defaultClausePatterns();
    // The 64 highlighted keywords (FROM twice).
    static const QStringList& keywords();

    explicit SQLSyntaxHighlighter(SyntaxColorTheme theme = SyntaxColorTheme::system(),
                                  QStringList clausePatterns = defaultClausePatterns());

    bool canFormat() const { return true; }
    const SyntaxColorTheme& theme() const { return theme_; }
    const QStringList& clausePatterns() const { return clausePatterns_; }

    QString format(const QString& text) const override;
    StyledText highlight(const QString& text) const override;

private:
    QString breakClauses(QStringView code) const;

    // One per clause pattern that compiles: either the keyword part after a leading
    // blank run (matched at the end of each run) or the whole pattern.
    struct CompiledClause {
        std::shared_ptr<const IcuRegex> keywordAfterBlanks;
        std::shared_ptr<const IcuRegex> whole;
    };

    SyntaxColorTheme theme_;
    QStringList clausePatterns_;
    std::vector<CompiledClause> compiledClauses_;
    // When every pattern is of the blank-run shape: their keyword parts as one ordered
    // alternation (the first alternative that matches wins, as trying them in turn).
    std::shared_ptr<const IcuRegex> combinedKeywords_;
};

} // namespace quellpad
