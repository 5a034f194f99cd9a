#include "history/ClipboardHistoryPreview.h"

#include <QStringList>
#include <nlohmann/json.hpp>

#include "Core/Utilities/PinyinTransliterator.h"
#include "Core/Utilities/TextUtilities.h"

namespace quellpad::ClipboardHistoryPreview {

namespace {

using TextUtilities::graphemeCount;
using TextUtilities::graphemePrefix;

bool isNewline(QChar c) {
    const char16_t u = c.unicode();
    return u == u'\n' || u == u'\r' || u == 0x000B || u == 0x000C || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

QString cutWithDots(const QString& text) {
    if (graphemeCount(text) <= maximumPreviewCharacters) {
        return text;
    }
    return graphemePrefix(text, maximumPreviewCharacters) + QStringLiteral("...");
}

QString removeWhitespaceOutsideStrings(QStringView text) {
    QString result;
    result.reserve(text.size());
    bool inString = false;
    bool escaped = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inString) {
            result += c;
            if (escaped) {
                escaped = false;
            } else if (c == QLatin1Char('\\')) {
                escaped = true;
            } else if (c == QLatin1Char('"')) {
                inString = false;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            inString = true;
            result += c;
        } else if (!TextUtilities::isWhitespace(c.unicode())) {
            result += c;
        }
    }
    return result;
}

} // namespace

std::optional<QString> jsonSummary(const QString& text) {
    const QString trimmed = TextUtilities::trimmedWhitespace(text);
    if (!trimmed.startsWith(QLatin1Char('{')) && !trimmed.startsWith(QLatin1Char('['))) {
        return std::nullopt;
    }
    // accept() validates without building a tree and without recursion, so deeply
    // nested input cannot exhaust the stack.
    const QByteArray utf8 = trimmed.toUtf8();
    // A NUL ends the parser's input early, so JSON followed by NUL and more text
    // would pass and the summary would hide the rest.
    if (utf8.contains('\0') || !nlohmann::json::accept(utf8.constBegin(), utf8.constEnd())) {
        return std::nullopt;
    }
    return removeWhitespaceOutsideStrings(trimmed);
}

std::optional<QString> textPreview(const QString& text) {
    std::optional<QString> candidate;
    bool hasFurtherLine = false;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isNewline(text[i])) {
            continue;
        }
        const QString line = TextUtilities::trimmedWhitespace(QStringView(text).sliced(lineStart, i - lineStart));
        lineStart = i + 1;
        if (line.isEmpty()) {
            continue;
        }
        if (!candidate) {
            candidate = line;
        } else {
            hasFurtherLine = true;
            break;
        }
    }
    if (!candidate) {
        return std::nullopt;
    }
    if (std::optional<QString> summary = jsonSummary(text)) {
        return cutWithDots(*summary);
    }
    if (!hasFurtherLine) {
        return cutWithDots(*candidate);
    }
    const QString ellipsis = QStringLiteral(" \u2026");
    if (graphemeCount(*candidate) + 2 <= maximumPreviewCharacters) {
        return *candidate + ellipsis;
    }
    return graphemePrefix(*candidate, maximumPreviewCharacters - 2) + ellipsis;
}

QString imagePreview(QSize pixelSize) {
    if (pixelSize.width() < 1 || pixelSize.height() < 1) {
        return QStringLiteral("Image");
    }
    return QStringLiteral("Image %1x%2").arg(pixelSize.width()).arg(pixelSize.height());
}

QString searchText(const QString& text) {
    const std::vector<qsizetype> bounds = TextUtilities::graphemeBoundaries(
        QStringView(text).first(std::min<qsizetype>(text.size(), searchTextPinyinPrefixCharacters * 8)));
    const qsizetype characters = std::min<qsizetype>(static_cast<qsizetype>(bounds.size()) - 1,
                                                     searchTextPinyinPrefixCharacters);
    QString result;
    result.reserve(text.size() + 32);
    QStringList runSyllables;
    QString runCharacters;
    auto flushRun = [&] {
        if (runSyllables.isEmpty()) {
            return;
        }
        result += QLatin1Char('(') + runSyllables.join(QString()) + QLatin1Char(' ') +
                  runSyllables.join(QLatin1Char(' ')) + QLatin1Char(')') + runCharacters;
        runSyllables.clear();
        runCharacters.clear();
    };
    for (qsizetype i = 0; i < characters; ++i) {
        const qsizetype start = bounds[static_cast<size_t>(i)];
        const QStringView character = QStringView(text).sliced(start, bounds[static_cast<size_t>(i) + 1] - start);
        const QString syllable = PinyinTransliterator::syllable(character);
        if (syllable.isEmpty()) {
            flushRun();
            result += character;
        } else {
            runSyllables.push_back(syllable);
            runCharacters += character;
        }
    }
    flushRun();
    const qsizetype consumed = characters > 0 ? bounds[static_cast<size_t>(characters)] : 0;
    result += QStringView(text).sliced(consumed);
    return result;
}

} // namespace quellpad::ClipboardHistoryPreview
