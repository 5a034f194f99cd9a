#include "search/ClipboardGhostCompletion.h"

#include <algorithm>

#include <QCollator>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/TextUtilities.h"
#include "search/ClipboardFilterSuggestions.h"
#include "search/ClipboardSearchQueryParser.h"
#include "Core/Utilities/ClipboardSearchText.h"

namespace quellpad {

namespace {

bool isValueCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'.' ||
           u == u'_' || u == u'-';
}

QString withoutSeparators(QString text) {
    text.remove(QLatin1Char('-'));
    text.remove(QLatin1Char('_'));
    return text;
}

struct CompletionContext {
    QString kind;
    QString partial;
};

// A filter key, a colon, optional white space and a partial value at the end.
std::optional<CompletionContext> completionContext(QStringView before) {
    qsizetype valueStart = before.size();
    while (valueStart > 0 && isValueCharacter(before[valueStart - 1])) {
        --valueStart;
    }
    qsizetype colon = valueStart;
    while (colon > 0 && TextUtilities::isWhitespace(before[colon - 1].unicode())) {
        --colon;
    }
    if (colon == 0 || before[colon - 1] != QLatin1Char(':')) {
        return std::nullopt;
    }
    const QStringView head = before.first(colon - 1);
    for (const char* key : {"type", "app", "after", "before"}) {
        if (head.endsWith(QLatin1String(key))) {
            return CompletionContext{QString::fromLatin1(key), before.sliced(valueStart).toString()};
        }
    }
    return std::nullopt;
}

} // namespace

ClipboardGhostCompletion::ClipboardGhostCompletion(const DefaultsStore& defaults,
                                                   std::function<void(const QString&)> searchRequest)
    : defaults_(defaults), searchRequest_(std::move(searchRequest)) {}

void ClipboardGhostCompletion::textDidChange(const EditorState& state) {
    Logger::debug(QStringLiteral("[Ghost] textDidChange: stringValue='") + state.text + QStringLiteral("' cursor=") +
                      QString::number(state.cursor) + QStringLiteral(" selection=") +
                      QString::number(state.selectionLength) + QStringLiteral(" suppressed=") +
                      (suppressed_ ? QStringLiteral("true") : QStringLiteral("false")),
                  logCategory);
    if (state.hasMarkedText) {
        hideGhost(QStringLiteral("IME composing"));
        return;
    }
    if (searchRequest_) {
        searchRequest_(state.text);
    }
    if (suppressed_) {
        if (state.cursorAtEndWithoutSelection()) {
            suppressed_ = false;
            Logger::debug(QStringLiteral("[Ghost] textDidChange: user input after suppress → exit suppressed mode"),
                          logCategory);
            tryShowGhost(state);
        } else {
            hideGhost(QStringLiteral("suppressed"));
        }
        return;
    }
    tryShowGhost(state);
}

void ClipboardGhostCompletion::selectionDidChange(const EditorState& state) {
    if (isShowingGhost() && !state.cursorAtEndWithoutSelection()) {
        hideGhost(QStringLiteral("selection changed"));
    }
}

void ClipboardGhostCompletion::tryShowGhost(const EditorState& state) {
    if (!state.hasEditor || !state.cursorAtEndWithoutSelection()) {
        hideGhost(QStringLiteral("conditions not met"));
        return;
    }
    const std::optional<CompletionContext> context =
        completionContext(QStringView(state.text).first(std::clamp<qsizetype>(state.cursor, 0, state.text.size())));
    if (!context) {
        Logger::debug(QStringLiteral("[Ghost] tryShowGhost: no autocomplete context → hide ghost"), logCategory);
        hideGhost(QStringLiteral("no context"));
        return;
    }
    const QStringList list = completions(context->kind, context->partial);
    Logger::debug(QStringLiteral("[Ghost] tryShowGhost: context kind=") + context->kind + QStringLiteral(" prefix='") +
                      context->partial + QStringLiteral("' suggestions=") + list.mid(0, 3).join(QStringLiteral(", ")),
                  logCategory);
    if (list.isEmpty()) {
        hideGhost(QStringLiteral("no suggestions"));
        return;
    }
    const QString& top = list.front();
    if (!top.toLower().startsWith(context->partial.toLower()) || top.size() <= context->partial.size()) {
        hideGhost(QStringLiteral("no viable suffix"));
        return;
    }
    showGhost(top.mid(context->partial.size()));
}

void ClipboardGhostCompletion::showGhost(const QString& suffix) {
    Logger::debug(QStringLiteral("[Ghost] tryShowGhost: ✅ showing ghost suffix='") + suffix + QLatin1Char('\''),
                  logCategory);
    const bool wasShown = isShowingGhost();
    ghostSuffix_ = suffix;
    if (onGhostChanged) {
        onGhostChanged(ghostSuffix_, wasShown);
    }
}

void ClipboardGhostCompletion::hideGhost(const QString& reason) {
    Logger::debug(QStringLiteral("[Ghost] hideGhost: reason='") + reason + QStringLiteral("', was='") + ghostSuffix_ +
                      QLatin1Char('\''),
                  logCategory);
    const bool wasShown = isShowingGhost();
    ghostSuffix_.clear();
    if (wasShown && onGhostChanged) {
        onGhostChanged(ghostSuffix_, true);
    }
    if (!suppressed_) {
        suppressed_ = true;
        Logger::debug(QStringLiteral("[Ghost] hideGhost: entered suppressed mode"), logCategory);
    }
}

std::optional<ClipboardGhostCompletion::EditorState> ClipboardGhostCompletion::acceptGhost(const EditorState& state) {
    if (!isShowingGhost()) {
        return std::nullopt;
    }
    EditorState accepted = state;
    accepted.text += ghostSuffix_;
    accepted.cursor = accepted.text.size();
    accepted.selectionLength = 0;
    Logger::debug(QStringLiteral("[Ghost] acceptGhost: accepted '") + ghostSuffix_ + QStringLiteral("', full text='") +
                      accepted.text + QLatin1Char('\''),
                  logCategory);
    hideGhost(QStringLiteral("accepted"));
    // A programmatic change posts no text-change event; search for the completed text here.
    if (searchRequest_) {
        searchRequest_(accepted.text);
    }
    return accepted;
}

QStringList ClipboardGhostCompletion::completions(const QString& kind, const QString& partial) const {
    QStringList result;
    if (kind == QLatin1String("after") || kind == QLatin1String("before")) {
        const QString lowered = partial.toLower();
        for (const QString& keyword : ClipboardSearchQueryParser::dateKeywords()) {
            if (keyword.startsWith(lowered)) {
                result.push_back(keyword);
            }
        }
        return result;
    }
    if (kind != QLatin1String("type")) {
        return result;
    }
    const QString normalized = ClipboardSearchText::normalizeSearchText(partial);
    const QString compact = withoutSeparators(normalized);
    for (const ClipboardFilterCandidate& candidate : ClipboardFilterSuggestions(defaults_).candidates()) {
        const bool kept = partial.isEmpty() || std::any_of(candidate.keys.begin(), candidate.keys.end(), [&](const QString& key) {
                              return key.startsWith(normalized) || withoutSeparators(key).startsWith(compact);
                          });
        if (kept) {
            result.push_back(candidate.displayName);
        }
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(result.begin(), result.end(),
                     [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return result;
}

} // namespace quellpad
