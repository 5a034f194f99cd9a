// A `key:value` filter of a search query, and the query value the index store runs.
#pragma once

#include <array>
#include <vector>

#include <QString>
#include <QStringList>

#include "Core/Utilities/RawValueEnum.h"

namespace quellpad {

enum class ClipboardSearchFilterKind { type, app, after, before };

inline constexpr std::array<RawValueCase<ClipboardSearchFilterKind>, 4> clipboardSearchFilterKindCases{{
    {ClipboardSearchFilterKind::type, "type"},
    {ClipboardSearchFilterKind::app, "app"},
    {ClipboardSearchFilterKind::after, "after"},
    {ClipboardSearchFilterKind::before, "before"},
}};

inline QString rawValue(ClipboardSearchFilterKind kind) { return rawValueOf(clipboardSearchFilterKindCases, kind); }

struct ClipboardSearchFilter {
    ClipboardSearchFilterKind kind = ClipboardSearchFilterKind::type;
    QString value;
    bool isImplicit = false;
    QString sourceToken; // the text the filter was read from

    bool operator==(const ClipboardSearchFilter&) const = default;
};

// The text part of a query as the index store compares it.
struct ClipboardSearchIndexQuery {
    QString normalizedText; // N
    QString compactText;    // C': N without spaces
    QStringList tokens;     // FTS terms, in order

    // The query of a combined text: tokens split at spaces, normalised and compact forms.
    static ClipboardSearchIndexQuery fromText(const QString& combinedText);

    // The FTS5 MATCH expression: every token (split at "/") as a quoted prefix term,
    // quotes doubled, joined with AND, so typed text is never FTS syntax. "" when
    // there is nothing to match.
    QString matchExpression() const;

    bool operator==(const ClipboardSearchIndexQuery&) const = default;
};

} // namespace quellpad
