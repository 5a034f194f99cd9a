// What the app needs of the settings window: showing it, at a page or at the last one.
#pragma once

#include <optional>

namespace quellpad {

// The settings pages, in the order the window lists them.
enum class SettingsModuleIdentifier { general, storage, appFilter, advanced };

class SettingsWindowPresenting {
public:
    virtual ~SettingsWindowPresenting() = default;
    // Shows and raises the window; without a page it keeps the last selection.
    virtual void present(std::optional<SettingsModuleIdentifier> page) = 0;
    // Whether the window is on screen now.
    virtual bool isPresented() const = 0;
};

} // namespace quellpad
