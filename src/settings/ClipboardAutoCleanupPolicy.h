// Retention of records per content type; stored by raw value.
#pragma once

#include <array>
#include <optional>

#include "Core/Utilities/RawValueEnum.h"

namespace quellpad {

enum class ClipboardAutoCleanupPolicy { never, oneDay, sevenDays, thirtyDays, ninetyDays };

inline constexpr std::array<RawValueCase<ClipboardAutoCleanupPolicy>, 5> clipboardAutoCleanupPolicyCases{{
    {ClipboardAutoCleanupPolicy::never, "never"},
    {ClipboardAutoCleanupPolicy::oneDay, "oneDay"},
    {ClipboardAutoCleanupPolicy::sevenDays, "sevenDays"},
    {ClipboardAutoCleanupPolicy::thirtyDays, "thirtyDays"},
    {ClipboardAutoCleanupPolicy::ninetyDays, "ninetyDays"},
}};

inline QString rawValue(ClipboardAutoCleanupPolicy policy) {
    return rawValueOf(clipboardAutoCleanupPolicyCases, policy);
}

// Days of retention; nullopt for `never`.
inline std::optional<int> retentionDays(ClipboardAutoCleanupPolicy policy) {
    switch (policy) {
    case ClipboardAutoCleanupPolicy::never: return std::nullopt;
    case ClipboardAutoCleanupPolicy::oneDay: return 1;
    case ClipboardAutoCleanupPolicy::sevenDays: return 7;
    case ClipboardAutoCleanupPolicy::thirtyDays: return 30;
    case ClipboardAutoCleanupPolicy::ninetyDays: return 90;
    }
    return std::nullopt;
}

} // namespace quellpad
