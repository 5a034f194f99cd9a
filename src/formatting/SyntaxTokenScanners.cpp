#include "formatting/SyntaxTokenScanners.h"

#include "Core/Utilities/TextScanning.h"

namespace quellpad::SyntaxTokenScanners {

namespace {

// Scans the string that opens at `start`. Returns its end (just after the closing
// quote), or -1 with `failedAt` set to where no continuation exists: a backslash
// before a line terminator (which "." does not match) or the end of the text.
// The scan is deterministic: at every step exactly one alternative can apply.
qsizetype scanQuoted(QStringView text, qsizetype start, char16_t quote, qsizetype* failedAt) {
    qsizetype i = start + 1;
    const qsizetype n = text.size();
    while (i < n) {
        const char16_t c = text[i].unicode();
        if (c == quote) {
            return i + 1;
        }
        qsizetype length = 1;
        if (c == u'\\') {
            if (i + 1 < n) {
                const char32_t escaped = TextScanning::codePointAt(text, i + 1, &length);
                if (!TextScanning::isLineTerminator(escaped)) {
                    i += 1 + length;
                    continue;
                }
            }
            *failedAt = i;
            return -1;
        }
        TextScanning::codePointAt(text, i, &length);
        i += length;
    }
    *failedAt = n;
    return -1;
}

} // namespace

void forEachQuotedString(QStringView text, char16_t quote, const Visitor& visit) {
    qsizetype position = 0;
    while (position < text.size()) {
        const qsizetype start = text.indexOf(QChar(quote), position);
        if (start < 0) {
            return;
        }
        qsizetype failedAt = 0;
        const qsizetype end = scanQuoted(text, start, quote, &failedAt);
        if (end >= 0) {
            visit(start, end);
            position = end;
        } else {
            // Every quote up to failedAt was taken by an escape, so a scan from it
            // joins this one and fails at the same place.
            position = failedAt;
        }
    }
}

void forEachJSONKey(QStringView text, const Visitor& visit) {
    qsizetype position = 0;
    while (position < text.size()) {
        const qsizetype start = text.indexOf(QLatin1Char('"'), position);
        if (start < 0) {
            return;
        }
        qsizetype failedAt = 0;
        const qsizetype end = scanQuoted(text, start, u'"', &failedAt);
        if (end < 0) {
            position = failedAt;
            continue;
        }
        qsizetype k = end;
        while (k < text.size()) {
            qsizetype length = 1;
            if (!TextScanning::isRegexSpace(TextScanning::codePointAt(text, k, &length))) {
                break;
            }
            k += length;
        }
        if (k < text.size() && text[k] == QLatin1Char(':')) {
            visit(start, end);
            position = end;
        } else {
            // Escaped quotes inside reach the same end and fail alike; the closing
            // quote may open a key of its own.
            position = end - 1;
        }
    }
}

void forEachBlockComment(QStringView text, const Visitor& visit) {
    qsizetype position = 0;
    while (position < text.size()) {
        const qsizetype start = text.indexOf(QLatin1String("/*"), position);
        if (start < 0) {
            return;
        }
        const qsizetype close = text.indexOf(QLatin1String("*/"), start + 2);
        if (close < 0) {
            return; // no later opening can close either
        }
        visit(start, close + 2);
        position = close + 2;
    }
}

} // namespace quellpad::SyntaxTokenScanners
