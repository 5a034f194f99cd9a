// The view models of the settings pages beyond "General", handed to the window together.
#pragma once

namespace quellpad {

class AdvancedSettingsViewModel;
class AppFilterSettingsViewModel;
class StorageSettingsViewModel;

struct SettingsPageModels {
    StorageSettingsViewModel& storage;
    AppFilterSettingsViewModel& appFilter;
    AdvancedSettingsViewModel& advanced;
};

} // namespace quellpad
