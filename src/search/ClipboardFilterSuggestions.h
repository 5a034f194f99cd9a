// Filter suggestions for the search field: when the text before the cursor ends in a
// colon and an optional partial word, the classifications and content types that
// can follow, ranked by how well they match the partial word. Choosing one replaces
// the colon and partial word with the suggestion's token (":GitHub-PR"), which the
// query parser resolves back to the label.
#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

namespace quellpad {

class DefaultsStore;

struct ClipboardFilterSuggestionContext {
    qsizetype replacementStart = 0;  // UTF-16 offset of the colon
    qsizetype replacementLength = 0; // from the colon to the cursor
    QString prefix;                  // the partial word after the colon, possibly empty
    QString sourceText;              // the whole text

    bool operator==(const ClipboardFilterSuggestionContext&) const = default;
};

enum class ClipboardFilterSuggestionSource { system, user };

struct ClipboardFilterSuggestion {
    QString displayName;
    QString insertToken;
    QString matchText; // the key that decided the rank
    ClipboardFilterSuggestionSource source = ClipboardFilterSuggestionSource::system;

    bool operator==(const ClipboardFilterSuggestion&) const = default;
};

struct RankedFilterSuggestion {
    ClipboardFilterSuggestion suggestion;
    int rank = 0;  // 0 (exact key) ... 4 (compacted key contains); smaller is better
    int order = 0; // position in the candidate list

    bool operator==(const RankedFilterSuggestion&) const = default;
};

// A value that can follow ":" or "type:", with the normalised keys it is found by.
struct ClipboardFilterCandidate {
    QString displayName;
    QStringList keys;
    ClipboardFilterSuggestionSource source = ClipboardFilterSuggestionSource::system;
};

class ClipboardFilterSuggestions {
public:
    // The defaults store is read on every call (enabled content types, user rules).
    explicit ClipboardFilterSuggestions(const DefaultsStore& defaults) : defaults_(defaults) {}

    // A colon at the start or after white space, then optional white space and a
    // partial word of [A-Za-z0-9._-], ending at the cursor; nothing otherwise.
    static std::optional<ClipboardFilterSuggestionContext> suggestionContext(const QString& text, qsizetype cursor);

    // Enabled content types (text, image), the fifteen system classifications, then
    // the labels of the saved user rules.
    std::vector<ClipboardFilterCandidate> candidates() const;

    // Candidates that match the prefix, by rank and then candidate order.
    std::vector<RankedFilterSuggestion> filterSuggestions(const ClipboardFilterSuggestionContext& context) const;

    // ":" + the display name's words joined with "-".
    static QString insertToken(const QString& displayName);

    // The text with the context's range replaced by the suggestion's token, and the
    // cursor position after the token.
    static std::pair<QString, qsizetype> apply(const ClipboardFilterSuggestionContext& context,
                                               const ClipboardFilterSuggestion& suggestion);

private:
    const DefaultsStore& defaults_;
};

} // namespace quellpad
