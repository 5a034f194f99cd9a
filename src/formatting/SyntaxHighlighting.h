// The formatter interface shared by the JSON, JSON Lines and SQL highlighters, and the
// styled text they produce.
#pragma once

#include <cstdint>
#include <vector>

#include <QString>

#include "formatting/SyntaxColorTheme.h"

namespace quellpad {

// Characters [start, start + length) (UTF-16 units) have the role's colour.
struct SyntaxColorRun {
    qsizetype start = 0;
    qsizetype length = 0;
    SyntaxColorRole role = SyntaxColorRole::text;

    bool operator==(const SyntaxColorRun&) const = default;
};

// The text unchanged plus its colour runs: sorted, non-overlapping, adjacent runs of
// one role merged. Characters outside every run keep the view's default colour.
// (Highlighters paint in steps where a later step overrides an earlier one; the runs
// are the outcome.)
struct StyledText {
    QString text;
    std::vector<SyntaxColorRun> runs;
    SyntaxColorTheme theme;

    bool operator==(const StyledText&) const = default;
};

class SyntaxHighlighting {
public:
    virtual ~SyntaxHighlighting() = default;

    // The reformatted text; throws FormattingError when the text cannot be formatted.
    virtual QString format(const QString& text) const = 0;
    // Colours the text as it is; never fails.
    virtual StyledText highlight(const QString& text) const = 0;
    // format, then highlight of the result; throws what format throws.
    StyledText formatAndHighlight(const QString& text) const { return highlight(format(text)); }
};

// Collects painting steps over a text (each later step overrides earlier ones) and
// turns them into runs. One byte per UTF-16 unit.
class SyntaxPaintBuffer {
public:
    explicit SyntaxPaintBuffer(qsizetype length = 0) : roles_(static_cast<std::size_t>(length), unpainted) {}

    qsizetype size() const { return static_cast<qsizetype>(roles_.size()); }
    void paint(qsizetype start, qsizetype end, SyntaxColorRole role);
    bool anyPainted(qsizetype start, qsizetype end, SyntaxColorRole role) const;
    // Grows by `length` unpainted units.
    void extend(qsizetype length) { roles_.resize(roles_.size() + static_cast<std::size_t>(length), unpainted); }
    void truncate(qsizetype length) { roles_.resize(static_cast<std::size_t>(length)); }

    std::vector<SyntaxColorRun> runs() const;

private:
    static constexpr int8_t unpainted = -1;
    std::vector<int8_t> roles_;
};

} // namespace quellpad
