// Tries a user's regular expression on texts built to make a backtracking engine
// explode (long runs of the characters the pattern names, ending in a character it
// cannot expect), before the rule is saved. A pattern that gives up on one of them
// would give up, or be skipped, on real copies too, so the editor refuses it at once
// instead of the rule silently never matching.
#pragma once

#include <chrono>

#include <QString>

namespace quellpad::ClipboardUserRegexProbe {

enum class Verdict {
    acceptable,
    doesNotCompile,
    tooSlow, // the engine gave up, or all probes together ran past the budget
};

struct Outcome {
    Verdict verdict = Verdict::acceptable;
    QString detail; // ICU's reason when it does not compile or gave up; empty otherwise
};

// All probes together; a pattern this slow would use up the rules' budget on one copy.
inline constexpr std::chrono::milliseconds totalBudget{400};

// Runs the probes with the classifier's own per-search time limit. Safe on any thread.
Outcome probe(const QString& pattern);

} // namespace quellpad::ClipboardUserRegexProbe
