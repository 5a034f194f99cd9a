// An accessibility bus that is on or off as the test says; a request may switch it on.
#pragma once

#include "platform/AccessibilityService.h"

namespace quellpad {

class FakeAccessibilityService final : public AccessibilityService {
public:
    bool isEnabled() override { return enabled; }
    bool requestEnabled() override {
        ++requests;
        if (requestEnables) enabled = true;
        return requestEnables;
    }

    bool enabled = false;
    bool requestEnables = true;
    int requests = 0;
};

} // namespace quellpad
