#include "classification/ClipboardUserRegexProbe.h"

#include <QElapsedTimer>
#include <QSet>

#include "Core/Utilities/IcuRegex.h"
#include "classification/LocalClipboardClassificationService.h"

namespace quellpad::ClipboardUserRegexProbe {

namespace {

// Short runs catch exponential nesting such as (a+)+$; long ones catch polynomial
// blow-ups such as \s*\s*\s*x that stay quick on short text.
constexpr int shortRun = 32;
constexpr int longRun = 1000;
constexpr qsizetype maximumSeeds = 48;

QList<QChar> seedCharacters(const QString& pattern) {
    QList<QChar> seeds;
    QSet<QChar> seen;
    auto add = [&](QChar c) {
        if (seeds.size() < maximumSeeds && !seen.contains(c)) {
            seen.insert(c);
            seeds.append(c);
        }
    };
    // Characters of every common class first, so \w, \d, \s and . are exercised even
    // when the pattern names no literal.
    for (QChar c : QStringLiteral("a0 A_-./@:\t")) add(c);
    for (QChar c : pattern) {
        if (c.isPrint() && !c.isSurrogate()) add(c);
    }
    return seeds;
}

} // namespace

Outcome probe(const QString& pattern) {
    QString error;
    const std::shared_ptr<const IcuRegex> regex = IcuRegex::compile(pattern, 0, &error);
    if (!regex) return {Verdict::doesNotCompile, error};

    QElapsedTimer elapsed;
    elapsed.start();
    // \x01 ends every run: nothing expects it, so a pattern anchored to the end must backtrack.
    const QChar terminator(0x01);
    for (const QChar seed : seedCharacters(pattern)) {
        for (const int length : {shortRun, longRun}) {
            const QString text = QString(length, seed) + terminator;
            QString failure;
            if (regex->search(text, LocalClipboardClassificationService::userPatternTimeLimit, &failure) ==
                IcuRegex::Outcome::failed) {
                return {Verdict::tooSlow, failure};
            }
            if (std::chrono::milliseconds(elapsed.elapsed()) > totalBudget) return {Verdict::tooSlow, QString()};
        }
    }
    return {};
}

} // namespace quellpad::ClipboardUserRegexProbe
