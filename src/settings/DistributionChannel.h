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

} // namespace quellpad
