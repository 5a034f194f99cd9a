// An accessibility bus that is on or off as the test says; a request may switch it on.
// The focused element is whatever the test put there.
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
    std::optional<FocusedTextElement> focusedTextElement(std::chrono::milliseconds budget,
                                                         qint64 processIdentifier) override {
        ++focusQueries;
        lastBudget = budget;
        lastProcessIdentifier = processIdentifier;
        return focused;
    }

    bool enabled = false;
    bool requestEnables = true;
    int requests = 0;
    std::optional<FocusedTextElement> focused;
    int focusQueries = 0;
    std::chrono::milliseconds lastBudget{0};
    qint64 lastProcessIdentifier = 0;
};

} // namespace quellpad
