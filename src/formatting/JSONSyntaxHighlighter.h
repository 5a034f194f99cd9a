// Formats and colours JSON items.
#pragma once

#include "formatting/SyntaxHighlighting.h"

namespace quellpad {

class JSONSyntaxHighlighter : public SyntaxHighlighting {
public:
    explicit JSONSyntaxHighlighter(SyntaxColorTheme theme = SyntaxColorTheme::soft()) : theme_(std::move(theme)) {}

    bool canFormat() const { return true; }
    const SyntaxColorTheme& theme() const { return theme_; }

    // Pretty-printed JSON (see JSONPrettyPrinter), not trimmed.
    QString format(const QString& text) const override;
    // The whole text in `text`, then brackets, punctuation, numbers, literals, strings
    // and keys, each step overriding the earlier ones.
    StyledText highlight(const QString& text) const override;

    // The colouring steps over text, painted into buffer at offset.
    static void paint(QStringView text, qsizetype offset, SyntaxPaintBuffer& buffer);

private:
    SyntaxColorTheme theme_;
};

} // namespace quellpad
