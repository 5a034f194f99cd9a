// What the app needs of the classification window: showing it and asking whether it shows.
#pragma once

namespace quellpad {

class ClassificationWindowPresenting {
public:
    virtual ~ClassificationWindowPresenting() = default;
    // Shows and raises the window.
    virtual void present() = 0;
    // Whether the window is on screen now.
    virtual bool isPresented() const = 0;
};

} // namespace quellpad
