// The channel a build is distributed through; only `direct` enables the features that
// need accessibility (direct paste, the caret-anchored panel, copy detection).
#pragma once

#include <array>

#include "Core/Utilities/RawValueEnum.h"

namespace quellpad {

enum class DistributionChannel { appStore, direct, unknown };

inline constexpr std::array<RawValueCase<DistributionChannel>, 3> distributionChannelCases{{
    {DistributionChannel::appStore, "appStore"},
    {DistributionChannel::direct, "direct"},
    {DistributionChannel::unknown, "unknown"},
}};

inline QString rawValue(DistributionChannel channel) { return rawValueOf(distributionChannelCases, channel); }

// The build's declared channel: trimmed and upper-cased, "APP_STORE" or "DIRECT";
// anything else (or nothing) is `unknown`.
inline DistributionChannel parseDistributionChannel(const QString& declared) {
    const QString value = declared.trimmed().toUpper();
    if (value == QStringLiteral("APP_STORE")) return DistributionChannel::appStore;
    if (value == QStringLiteral("DIRECT")) return DistributionChannel::direct;
    return DistributionChannel::unknown;
}

} // namespace quellpad
