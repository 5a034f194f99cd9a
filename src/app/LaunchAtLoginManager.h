// Starting Quellpad when the user signs in: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/<app id>.desktop, which every desktop session reads.
#pragma once

#include <exception>
#include <optional>

#include <QString>

#include "Core/Utilities/AppIdentity.h"

namespace quellpad {

// The raw values are those the settings page and `quellpad autostart --json` show.
enum class LaunchAtLoginStatus { notRegistered = 0, enabled = 1, requiresApproval = 2, notFound = 3 };

class LaunchAtLoginManagerError : public std::exception {
public:
    enum class Kind { unavailable, writeFailed };

    LaunchAtLoginManagerError(Kind kind, QString detail = {}) : kind_(kind), detail_(std::move(detail)) {}
    Kind kind() const { return kind_; }
    // "Launch at login is unavailable for this app.", or what failed while writing.
    QString description() const;
    const char* what() const noexcept override { return "launch at login failed"; }

private:
    Kind kind_;
    QString detail_;
};

class LaunchAtLoginManaging {
public:
    virtual ~LaunchAtLoginManaging() = default;
    virtual LaunchAtLoginStatus status() const = 0;
    // Throws LaunchAtLoginManagerError; nothing changes when it does.
    virtual void setEnabled(bool enabled) = 0;
};

class XdgAutostartLaunchAtLoginManager final : public LaunchAtLoginManaging {
public:
    // executablePath: what the entry starts (this program when empty). autostartDirectory:
    // $XDG_CONFIG_HOME/autostart (default ~/.config/autostart) when empty.
    // An entry under the former name (quellpad.desktop) counts as ours: it is
    // reported, and replaced or removed by the next change.
    explicit XdgAutostartLaunchAtLoginManager(QString appId = AppIdentity::applicationId, QString executablePath = {},
                                              QString autostartDirectory = {});

    const QString& entryPath() const { return entryPath_; }

    // enabled when our entry exists and is not switched off (Hidden=true or
    // X-GNOME-Autostart-enabled=false, as session settings tools write it).
    LaunchAtLoginStatus status() const override;
    void setEnabled(bool enabled) override;

private:
    QString appId_;
    QString executablePath_;
    QString entryPath_;
    QString legacyEntryPath_; // empty when the id is the former name
};

} // namespace quellpad
