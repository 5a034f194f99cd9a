#include "Core/Utilities/IcuRegex.h"

#include <unicode/regex.h>
#include <unicode/utext.h>

namespace quellpad {

namespace {

// Opens a read-only UText over the QString's UTF-16 buffer (no copy).
struct TextView {
    explicit TextView(QStringView text) {
        UErrorCode status = U_ZERO_ERROR;
        text_ = utext_openUChars(nullptr, reinterpret_cast<const UChar*>(text.utf16()), text.size(), &status);
        if (U_FAILURE(status)) {
            text_ = nullptr;
        }
    }
    ~TextView() {
        if (text_ != nullptr) {
            utext_close(text_);
        }
    }
    TextView(const TextView&) = delete;
    TextView& operator=(const TextView&) = delete;
    UText* text_ = nullptr;
};

std::unique_ptr<icu::RegexMatcher> makeMatcher(const icu::RegexPattern& pattern, UText* input, int32_t timeLimit) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(status));
    if (U_FAILURE(status) || matcher == nullptr) {
        return nullptr;
    }
    matcher->reset(input);
    if (timeLimit > 0) {
        matcher->setTimeLimit(timeLimit, status);
    }
    return U_FAILURE(status) ? nullptr : std::move(matcher);
}

} // namespace

IcuRegex::IcuRegex(QString pattern, std::unique_ptr<icu::RegexPattern> compiled)
    : pattern_(std::move(pattern)), compiled_(std::move(compiled)) {}

IcuRegex::~IcuRegex() = default;

std::shared_ptr<const IcuRegex> IcuRegex::compile(const QString& pattern, uint32_t flags, QString* error) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    const icu::UnicodeString source(false, reinterpret_cast<const UChar*>(pattern.utf16()), pattern.size());
    std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(source, flags, parseError, status));
    if (U_FAILURE(status) || compiled == nullptr) {
        if (error != nullptr) {
            *error = QString::fromLatin1(u_errorName(status));
        }
        return nullptr;
    }
    return std::shared_ptr<const IcuRegex>(new IcuRegex(pattern, std::move(compiled)));
}

IcuRegex::Outcome IcuRegex::search(QStringView text, int32_t timeLimit, QString* failure) const {
    TextView input(text);
    if (input.text_ == nullptr) {
        return Outcome::failed;
    }
    const auto matcher = makeMatcher(*compiled_, input.text_, timeLimit);
    if (matcher == nullptr) {
        return Outcome::failed;
    }
    UErrorCode status = U_ZERO_ERROR;
    const bool found = matcher->find(status);
    if (U_FAILURE(status)) {
        if (failure != nullptr) {
            *failure = QString::fromLatin1(u_errorName(status));
        }
        return Outcome::failed;
    }
    return found ? Outcome::match : Outcome::noMatch;
}

IcuRegex::Outcome IcuRegex::forEachMatch(QStringView text, const Visitor& visit, int group, int32_t timeLimit) const {
    TextView input(text);
    if (input.text_ == nullptr) {
        return Outcome::failed;
    }
    const auto matcher = makeMatcher(*compiled_, input.text_, timeLimit);
    if (matcher == nullptr) {
        return Outcome::failed;
    }
    const bool hasGroup = group > 0 && group <= matcher->groupCount();
    bool any = false;
    while (true) {
        UErrorCode status = U_ZERO_ERROR;
        if (!matcher->find(status)) {
            return U_FAILURE(status) ? Outcome::failed : (any ? Outcome::match : Outcome::noMatch);
        }
        if (U_FAILURE(status)) {
            return Outcome::failed;
        }
        any = true;
        const Match whole{static_cast<qsizetype>(matcher->start64(status)), static_cast<qsizetype>(matcher->end64(status))};
        std::optional<Match> captured;
        if (hasGroup) {
            const int64_t start = matcher->start64(group, status);
            if (start >= 0) {
                captured = Match{static_cast<qsizetype>(start), static_cast<qsizetype>(matcher->end64(group, status))};
            }
        }
        if (U_FAILURE(status)) {
            return Outcome::failed;
        }
        if (!visit(whole, captured)) {
            return Outcome::match;
        }
    }
}

std::optional<IcuRegex::Match> IcuRegex::matchAt(QStringView text, qsizetype from) const {
    AnchoredMatcher matcher(*this, text);
    return matcher.matchAt(from);
}

struct IcuRegex::AnchoredMatcher::State {
    State(const IcuRegex& regex, QStringView t) : input(t), size(t.size()) {
        if (input.text_ != nullptr) {
            matcher = makeMatcher(*regex.compiled_, input.text_, 0);
        }
    }
    TextView input;
    qsizetype size;
    std::unique_ptr<icu::RegexMatcher> matcher;
};

IcuRegex::AnchoredMatcher::AnchoredMatcher(const IcuRegex& regex, QStringView text)
    : state_(std::make_unique<State>(regex, text)) {}

IcuRegex::AnchoredMatcher::~AnchoredMatcher() = default;

std::optional<IcuRegex::Match> IcuRegex::AnchoredMatcher::matchAt(qsizetype from) {
    icu::RegexMatcher* matcher = state_->matcher.get();
    if (matcher == nullptr || from < 0 || from > state_->size) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    matcher->region(from, state_->size, from, status);
    matcher->useTransparentBounds(true);
    matcher->useAnchoringBounds(false);
    if (U_FAILURE(status) || !matcher->lookingAt(status) || U_FAILURE(status)) {
        return std::nullopt;
    }
    const Match match{static_cast<qsizetype>(matcher->start64(status)), static_cast<qsizetype>(matcher->end64(status))};
    return U_FAILURE(status) ? std::nullopt : std::optional<Match>(match);
}

} // namespace quellpad
