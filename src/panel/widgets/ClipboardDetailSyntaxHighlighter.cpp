#include "panel/widgets/ClipboardDetailSyntaxHighlighter.h"

#include <algorithm>

#include <QTextDocument>

namespace quellpad {

ClipboardDetailSyntaxHighlighter::ClipboardDetailSyntaxHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document) {}

bool ClipboardDetailSyntaxHighlighter::isDark(const QPalette& palette) {
    return palette.color(QPalette::Base).lightness() < 128;
}

QColor ClipboardDetailSyntaxHighlighter::color(const SyntaxColor& color, const QPalette& palette) {
    switch (color.kind) {
    case SyntaxColor::Kind::label:
        return palette.color(QPalette::Text);
    case SyntaxColor::Kind::secondaryLabel:
        return palette.color(QPalette::PlaceholderText);
    default:
        return color.resolved(isDark(palette) ? SyntaxAppearance::dark : SyntaxAppearance::light);
    }
}

void ClipboardDetailSyntaxHighlighter::setRuns(std::vector<SyntaxColorRun> runs, const SyntaxColorTheme& theme,
                                               const QPalette& palette) {
    runs_ = std::move(runs);
    for (int role = 0; role < syntaxColorRoleCount; ++role) {
        colors_[role] = color(theme.color(static_cast<SyntaxColorRole>(role)), palette);
    }
    rehighlight();
}

void ClipboardDetailSyntaxHighlighter::highlightBlock(const QString& text) {
    if (runs_.empty()) {
        return;
    }
    const qsizetype blockStart = currentBlock().position();
    const qsizetype blockEnd = blockStart + text.size();
    // The first run that ends after the block starts.
    auto run = std::upper_bound(runs_.begin(), runs_.end(), blockStart,
                                [](qsizetype position, const SyntaxColorRun& r) { return position < r.start + r.length; });
    for (; run != runs_.end() && run->start < blockEnd; ++run) {
        const qsizetype from = std::max(run->start, blockStart);
        const qsizetype to = std::min(run->start + run->length, blockEnd);
        if (to > from) {
            setFormat(static_cast<int>(from - blockStart), static_cast<int>(to - from),
                      colors_[static_cast<int>(run->role)]);
        }
    }
}

} // namespace quellpad
