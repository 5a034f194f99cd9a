// Colours the detail pane's text from a formatter's colour runs, block by block, with
// the theme's colours for the pane's light or dark palette.
#pragma once

#include <vector>

#include <QPalette>
#include <QSyntaxHighlighter>

#include "formatting/SyntaxHighlighting.h"

namespace quellpad {

class ClipboardDetailSyntaxHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit ClipboardDetailSyntaxHighlighter(QTextDocument* document);

    // Runs over the whole document's text; empty runs leave the text uncoloured.
    void setRuns(std::vector<SyntaxColorRun> runs, const SyntaxColorTheme& theme, const QPalette& palette);
    // The colour a role gets on a palette: the theme's, with the label colours taken
    // from the palette so that they read on it.
    static QColor color(const SyntaxColor& color, const QPalette& palette);
    static bool isDark(const QPalette& palette);

protected:
    void highlightBlock(const QString& text) override;

private:
    std::vector<SyntaxColorRun> runs_;
    QColor colors_[syntaxColorRoleCount];
};

} // namespace quellpad
