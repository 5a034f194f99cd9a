#include "Core/Utilities/TextUtilities.h"

#include <memory>

#include <QStringDecoder>
#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>

namespace quellpad::TextUtilities {

namespace {

// Creating a break iterator costs far more than using one; keep one per thread.
icu::BreakIterator* characterIterator() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> created(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) {
            created.reset();
        }
        return created;
    }();
    return iterator.get();
}

// Walks boundaries and stops early once `limit` clusters were seen (limit < 0: all).
std::vector<qsizetype> boundaries(QStringView text, qsizetype limit) {
    std::vector<qsizetype> result{0};
    if (text.isEmpty()) {
        return result;
    }
    icu::BreakIterator* iterator = characterIterator();
    UErrorCode status = U_ZERO_ERROR;
    UText utext = UTEXT_INITIALIZER;
    utext_openUChars(&utext, reinterpret_cast<const UChar*>(text.utf16()), text.size(), &status);
    if (iterator == nullptr || U_FAILURE(status)) {
        // Without ICU data, fall back to code points so callers still get bounded output.
        for (qsizetype i = 0; i < text.size();) {
            i += (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
            result.push_back(i);
            if (limit >= 0 && static_cast<qsizetype>(result.size()) > limit) {
                break;
            }
        }
        utext_close(&utext);
        return result;
    }
    iterator->setText(&utext, status);
    for (int32_t next = iterator->next(); next != icu::BreakIterator::DONE; next = iterator->next()) {
        result.push_back(next);
        if (limit >= 0 && static_cast<qsizetype>(result.size()) > limit) {
            break;
        }
    }
    // Detach the iterator from the UText before it goes out of scope.
    UText empty = UTEXT_INITIALIZER;
    utext_openUChars(&empty, nullptr, 0, &status);
    iterator->setText(&empty, status);
    utext_close(&empty);
    utext_close(&utext);
    return result;
}

} // namespace

std::vector<qsizetype> graphemeBoundaries(QStringView text) {
    return boundaries(text, -1);
}

qsizetype graphemeCount(QStringView text) {
    return static_cast<qsizetype>(boundaries(text, -1).size()) - 1;
}

QString graphemePrefix(QStringView text, qsizetype count, bool* truncated) {
    if (count <= 0) {
        if (truncated != nullptr) {
            *truncated = !text.isEmpty();
        }
        return {};
    }
    // Every cluster has at least one UTF-16 unit, so a short text cannot be cut.
    if (text.size() <= count) {
        if (truncated != nullptr) {
            *truncated = false;
        }
        return text.toString();
    }
    const std::vector<qsizetype> found = boundaries(text, count);
    const bool cut = static_cast<qsizetype>(found.size()) > count && found[static_cast<size_t>(count)] < text.size();
    if (truncated != nullptr) {
        *truncated = cut;
    }
    return cut ? text.first(found[static_cast<size_t>(count)]).toString() : text.toString();
}

QString graphemePrefix(QStringView text, qsizetype count) {
    return graphemePrefix(text, count, nullptr);
}

std::optional<QString> decodeUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

bool isWhitespace(char32_t codePoint) {
    return u_hasBinaryProperty(static_cast<UChar32>(codePoint), UCHAR_WHITE_SPACE);
}

QString trimmedWhitespace(QStringView text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    // White_Space code points are all in the BMP, so UTF-16 units suffice.
    while (start < end && isWhitespace(text[start].unicode())) {
        ++start;
    }
    while (end > start && isWhitespace(text[end - 1].unicode())) {
        --end;
    }
    return text.sliced(start, end - start).toString();
}

bool hasLoneSurrogate(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate()) {
            return true;
        }
    }
    return false;
}

} // namespace quellpad::TextUtilities
