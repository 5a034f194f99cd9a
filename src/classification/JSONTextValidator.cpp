#include "classification/JSONTextValidator.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <locale.h>

namespace quellpad::JSONTextValidator {

namespace {

class Validator {
public:
    Validator(QStringView text, int maxDepth) : text_(text.utf16()), n_(text.size()), maxDepth_(maxDepth) {}

    bool run() {
        skipSpace();
        if (pos_ >= n_ || (text_[pos_] != u'{' && text_[pos_] != u'[')) {
            return false;
        }
        bool expectValue = true;
        while (true) {
            if (expectValue) {
                skipSpace();
                if (pos_ >= n_) {
                    return false;
                }
                const char16_t c = text_[pos_];
                if (c == u'{' || c == u'[') {
                    if (static_cast<int>(stack_.size()) >= maxDepth_) {
                        return false;
                    }
                    stack_.push_back(c);
                    ++pos_;
                    skipSpace();
                    const char16_t close = c == u'{' ? u'}' : u']';
                    if (pos_ < n_ && text_[pos_] == close) {
                        stack_.pop_back();
                        ++pos_;
                        expectValue = false;
                        continue;
                    }
                    if (c == u'{' && !member()) {
                        return false;
                    }
                    continue; // a value follows
                }
                if (!scalar()) {
                    return false;
                }
                expectValue = false;
                continue;
            }
            // After a value: the end, a separator or a closing bracket.
            skipSpace();
            if (stack_.empty()) {
                return pos_ == n_;
            }
            if (pos_ >= n_) {
                return false;
            }
            const char16_t c = text_[pos_];
            const char16_t open = stack_.back();
            if (c == u',') {
                ++pos_;
                if (open == u'{' && !member()) {
                    return false;
                }
                expectValue = true;
            } else if ((open == u'{' && c == u'}') || (open == u'[' && c == u']')) {
                stack_.pop_back();
                ++pos_;
            } else {
                return false;
            }
        }
    }

private:
    void skipSpace() {
        while (pos_ < n_) {
            const char16_t c = text_[pos_];
            if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') {
                return;
            }
            ++pos_;
        }
    }

    // A key and its colon; the value follows.
    bool member() {
        skipSpace();
        if (pos_ >= n_ || text_[pos_] != u'"' || !string()) {
            return false;
        }
        skipSpace();
        if (pos_ >= n_ || text_[pos_] != u':') {
            return false;
        }
        ++pos_;
        return true;
    }

    bool scalar() {
        const char16_t c = text_[pos_];
        switch (c) {
        case u'"': return string();
        case u't': return literal(u"true", 4);
        case u'f': return literal(u"false", 5);
        case u'n': return literal(u"null", 4);
        default: return number();
        }
    }

    bool literal(const char16_t* word, qsizetype length) {
        if (n_ - pos_ < length) {
            return false;
        }
        for (qsizetype i = 0; i < length; ++i) {
            if (text_[pos_ + i] != word[i]) {
                return false;
            }
        }
        pos_ += length;
        return true;
    }

    static int hexValue(char16_t c) {
        if (c >= u'0' && c <= u'9') return c - u'0';
        if (c >= u'a' && c <= u'f') return c - u'a' + 10;
        if (c >= u'A' && c <= u'F') return c - u'A' + 10;
        return -1;
    }

    // Reads the four hex digits of a \u escape at pos_ (after "\u").
    int unicodeEscape() {
        if (n_ - pos_ < 4) {
            return -1;
        }
        int value = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hexValue(text_[pos_ + i]);
            if (digit < 0) {
                return -1;
            }
            value = value * 16 + digit;
        }
        pos_ += 4;
        return value;
    }

    bool string() {
        ++pos_; // opening quote
        while (pos_ < n_) {
            const char16_t c = text_[pos_];
            if (c == u'"') {
                ++pos_;
                return true;
            }
            if (c < 0x20) {
                return false;
            }
            if (c != u'\\') {
                ++pos_;
                continue;
            }
            if (++pos_ >= n_) {
                return false;
            }
            const char16_t escaped = text_[pos_++];
            switch (escaped) {
            case u'"': case u'\\': case u'/': case u'b': case u'f': case u'n': case u'r': case u't':
                break;
            case u'u': {
                const int unit = unicodeEscape();
                if (unit < 0 || (unit >= 0xDC00 && unit <= 0xDFFF)) {
                    return false;
                }
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    if (n_ - pos_ < 2 || text_[pos_] != u'\\' || text_[pos_ + 1] != u'u') {
                        return false;
                    }
                    pos_ += 2;
                    const int low = unicodeEscape();
                    if (low < 0xDC00 || low > 0xDFFF) {
                        return false;
                    }
                }
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    bool isDigit(qsizetype i) const { return i < n_ && text_[i] >= u'0' && text_[i] <= u'9'; }

    bool number() {
        const qsizetype start = pos_;
        if (text_[pos_] == u'-') {
            ++pos_;
        }
        qsizetype integerDigits = 0;
        if (pos_ < n_ && text_[pos_] == u'0') {
            ++pos_;
            integerDigits = 1;
        } else if (isDigit(pos_)) {
            while (isDigit(pos_)) {
                ++pos_;
                ++integerDigits;
            }
        } else {
            return false;
        }
        if (pos_ < n_ && text_[pos_] == u'.') {
            ++pos_;
            if (!isDigit(pos_)) {
                return false;
            }
            while (isDigit(pos_)) {
                ++pos_;
            }
        }
        long long exponent = 0;
        if (pos_ < n_ && (text_[pos_] == u'e' || text_[pos_] == u'E')) {
            ++pos_;
            bool negative = false;
            if (pos_ < n_ && (text_[pos_] == u'+' || text_[pos_] == u'-')) {
                negative = text_[pos_] == u'-';
                ++pos_;
            }
            if (!isDigit(pos_)) {
                return false;
            }
            while (isDigit(pos_)) {
                exponent = std::min<long long>(exponent * 10 + (text_[pos_] - u'0'), 1'000'000);
                ++pos_;
            }
            exponent = negative ? -exponent : exponent;
        }
        // Below 10^300 nothing overflows; above, the parser's own conversion decides
        // (an integer too long for 64 bits is read as a double too).
        if (integerDigits + exponent > 300) {
            return isFinite(start, pos_);
        }
        return true;
    }

    bool isFinite(qsizetype start, qsizetype end) const {
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        std::string token;
        token.reserve(static_cast<size_t>(end - start));
        for (qsizetype i = start; i < end; ++i) {
            token.push_back(static_cast<char>(text_[i]));
        }
        return std::isfinite(strtod_l(token.c_str(), nullptr, cLocale));
    }

    const char16_t* text_;
    qsizetype n_;
    int maxDepth_;
    qsizetype pos_ = 0;
    std::vector<char16_t> stack_;
};

} // namespace

bool isContainer(QStringView text, int maxDepth) { return Validator(text, maxDepth).run(); }

} // namespace quellpad::JSONTextValidator
