// A compiled ICU regular expression over QString text, without copying the text.
//
// The compiled pattern is immutable and shared between threads; every search makes
// its own matcher. ICU's engine backtracks, so a search can be bounded by a time
// limit (ICU "steps", roughly 1 ms per 5 units on this class of machine) and by
// its backtracking stack; a search cut short by either reports `failed`, never a
// crash or a hang.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <QString>
#include <QStringView>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

namespace quellpad {

class IcuRegex {
public:
    enum class Outcome { match, noMatch, failed };

    struct Match {
        qsizetype start = 0; // UTF-16 offsets
        qsizetype end = 0;
    };

    // nullptr when the pattern does not compile; `error` then holds ICU's reason.
    static std::shared_ptr<const IcuRegex> compile(const QString& pattern, uint32_t flags = 0,
                                                   QString* error = nullptr);

    ~IcuRegex();
    IcuRegex(const IcuRegex&) = delete;
    IcuRegex& operator=(const IcuRegex&) = delete;

    const QString& pattern() const { return pattern_; }

    // Finds the pattern anywhere in text. `timeLimit` 0 means unbounded. On `failed`,
    // `failure` (when given) receives ICU's error name.
    Outcome search(QStringView text, int32_t timeLimit = 0, QString* failure = nullptr) const;

    // Calls visit for every non-overlapping match, left to right, with the range of
    // the whole match and of capture group `group` (when the pattern has one; the
    // group range is nullopt when it did not take part). Stops when visit returns false.
    // Returns `failed` when the engine gave up part way (matches so far were visited).
    using Visitor = std::function<bool(const Match& whole, const std::optional<Match>& group)>;
    Outcome forEachMatch(QStringView text, const Visitor& visit, int group = 0, int32_t timeLimit = 0) const;

    // Does the pattern match at exactly `from` (anchored there, not necessarily to the
    // end)? The text before `from` stays visible to look-behind and \b.
    std::optional<Match> matchAt(QStringView text, qsizetype from) const;

    // Repeated anchored matches over one text with a single matcher (making a matcher
    // per position would dominate the cost on large texts). Not thread-safe.
    class AnchoredMatcher {
    public:
        AnchoredMatcher(const IcuRegex& regex, QStringView text);
        ~AnchoredMatcher();
        AnchoredMatcher(const AnchoredMatcher&) = delete;
        AnchoredMatcher& operator=(const AnchoredMatcher&) = delete;
        // Same as IcuRegex::matchAt.
        std::optional<Match> matchAt(qsizetype from);

    private:
        struct State;
        std::unique_ptr<State> state_;
    };

private:
    IcuRegex(QString pattern, std::unique_ptr<icu::RegexPattern> compiled);

    QString pattern_;
    std::unique_ptr<icu::RegexPattern> compiled_;
};

} // namespace quellpad
