#include "formatting/SyntaxHighlighting.h"

#include <algorithm>

namespace quellpad {

void SyntaxPaintBuffer::paint(qsizetype start, qsizetype end, SyntaxColorRole role) {
    start = std::clamp<qsizetype>(start, 0, size());
    end = std::clamp<qsizetype>(end, start, size());
    std::fill(roles_.begin() + start, roles_.begin() + end, static_cast<int8_t>(role));
}

bool SyntaxPaintBuffer::anyPainted(qsizetype start, qsizetype end, SyntaxColorRole role) const {
    start = std::clamp<qsizetype>(start, 0, size());
    end = std::clamp<qsizetype>(end, start, size());
    return std::find(roles_.begin() + start, roles_.begin() + end, static_cast<int8_t>(role)) != roles_.begin() + end;
}

std::vector<SyntaxColorRun> SyntaxPaintBuffer::runs() const {
    std::vector<SyntaxColorRun> result;
    qsizetype i = 0;
    const qsizetype n = size();
    while (i < n) {
        const int8_t role = roles_[static_cast<std::size_t>(i)];
        qsizetype j = i + 1;
        while (j < n && roles_[static_cast<std::size_t>(j)] == role) {
            ++j;
        }
        if (role != unpainted) {
            result.push_back({i, j - i, static_cast<SyntaxColorRole>(role)});
        }
        i = j;
    }
    return result;
}

} // namespace quellpad
