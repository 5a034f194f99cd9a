// What the app needs of the onboarding window: showing it from its first page, and
// closing it once onboarding is finished.
#pragma once

namespace quellpad {

class OnboardingWindowPresenting {
public:
    virtual ~OnboardingWindowPresenting() = default;
    // Shows and raises the window; a window not on screen starts again at its first page.
    virtual void present() = 0;
    virtual void dismiss() = 0;
    virtual bool isPresented() const = 0;
};

} // namespace quellpad
