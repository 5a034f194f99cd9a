// Formats and colours JSON Lines items: one JSON value per line.
#pragma once

#include "formatting/JSONSyntaxHighlighter.h"

namespace quellpad {

class JSONLinesSyntaxHighlighter : public SyntaxHighlighting {
public:
    explicit JSONLinesSyntaxHighlighter(JSONSyntaxHighlighter jsonHighlighter = JSONSyntaxHighlighter())
        : jsonHighlighter_(std::move(jsonHighlighter)) {}

    bool canFormat() const { return true; }
    const JSONSyntaxHighlighter& jsonHighlighter() const { return jsonHighlighter_; }

    // Each non-blank line pretty-printed (or, when it is not JSON, trimmed and kept),
    // separated by one blank line. Never fails.
    QString format(const QString& text) const override;
    // Each line coloured as JSON; blank lines become empty lines; no final newline.
    StyledText highlight(const QString& text) const override;

private:
    JSONSyntaxHighlighter jsonHighlighter_;
};

} // namespace quellpad
