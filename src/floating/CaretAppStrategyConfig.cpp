#include "floating/CaretAppStrategyConfig.h"

namespace quellpad {

namespace {

using S = CaretDetectionStrategy;

AppStrategyConfig row(const char* id, const char* name, std::vector<S> strategies,
                      PanelOffsetMode offset = PanelOffsetMode::none) {
    return {QString::fromLatin1(id), QString::fromLatin1(name), std::move(strategies), offset,
            PanelOffsetDirection::down, std::nullopt};
}

const std::vector<const char*> browserPrefixes = {"org.mozilla.firefox", "firefox", "google-chrome", "chromium",
                                                  "com.brave.Browser", "brave-browser", "org.gnome.Epiphany"};

} // namespace

const std::vector<AppStrategyConfig>& AppStrategyConfig::builtIn() {
    // Browsers and editors first try the exact extents; terminals report a whole-cell
    // caret that the frame estimate backs up.
    static const std::vector<AppStrategyConfig> table = {
        row("org.gnome.Nautilus", "Files", {S::boundsForRange, S::selectionEnd, S::zeroRange, S::elementAndWindow}),
        row("org.gnome.TextEditor", "Text Editor", {S::boundsForRange, S::selectionEnd, S::zeroRange}),
        row("org.gnome.gedit", "gedit", {S::boundsForRange, S::selectionEnd, S::zeroRange}),
        row("org.mozilla.Thunderbird", "Thunderbird", {S::boundsForRange, S::selectionEnd}),
        row("code", "VSCode", {S::textMarkerRange, S::boundsForRange, S::selectionEnd, S::zeroRange, S::lineInfo}),
        row("google-chrome", "Chrome",
            {S::textMarkerRange, S::boundsForRange, S::selectionEnd, S::zeroRange, S::visibleRange, S::lineInfo}),
        row("brave-browser", "Brave",
            {S::textMarkerRange, S::boundsForRange, S::selectionEnd, S::zeroRange, S::visibleRange, S::lineInfo}),
        row("org.mozilla.firefox", "Firefox",
            {S::textMarkerRange, S::boundsForRange, S::selectionEnd, S::zeroRange, S::visibleRange, S::lineInfo}),
        row("firefox", "Firefox",
            {S::textMarkerRange, S::boundsForRange, S::selectionEnd, S::zeroRange, S::visibleRange, S::lineInfo}),
        row("org.gnome.Terminal", "Terminal", {S::boundsForRange, S::selectionEnd, S::zeroRange, S::elementAndWindow}),
        row("org.kde.konsole", "Konsole", {S::boundsForRange, S::selectionEnd, S::zeroRange, S::elementAndWindow}),
        row("org.gnome.Notes", "Notes", {S::boundsForRange, S::selectionEnd, S::visibleRange},
            PanelOffsetMode::caretHeight),
        row("jetbrains-", "IntelliJ IDEA",
            {S::boundsForRange, S::selectionEnd, S::zeroRange, S::lineInfo, S::elementAndWindow, S::textMarkerRange,
             S::lastLineFallback}),
    };
    return table;
}

AppStrategyConfig AppStrategyConfig::defaultConfig() {
    return row("*", "Default",
               {S::boundsForRange, S::selectionEnd, S::zeroRange, S::visibleRange, S::lineInfo, S::elementAndWindow,
                S::textMarkerRange, S::lastLineFallback});
}

AppStrategyConfig AppStrategyConfig::forApplication(const std::optional<QString>& applicationId) {
    if (!applicationId || applicationId->isEmpty()) return defaultConfig();
    for (const AppStrategyConfig& config : builtIn()) {
        if (config.applicationId == *applicationId) return config;
    }
    for (const AppStrategyConfig& config : builtIn()) {
        if (applicationId->startsWith(config.applicationId)) return config;
    }
    return defaultConfig();
}

bool AppStrategyConfig::isBrowser(const std::optional<QString>& applicationId) {
    if (!applicationId) return false;
    for (const char* prefix : browserPrefixes) {
        if (applicationId->startsWith(QLatin1String(prefix))) return true;
    }
    return false;
}

} // namespace quellpad
