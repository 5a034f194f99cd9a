// Global shortcuts through the desktop's org.freedesktop.portal.GlobalShortcuts (KDE
// Plasma, Hyprland, COSMIC...), for Wayland sessions where no client may grab keys.
// Every change of the registered set opens a fresh portal session and binds the whole
// set there, each with our chord as the preferred trigger; the desktop may show its own
// dialog and may choose another trigger. The first registered id is bound as
// "open-clipboard-history". Main thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariantMap>
#include <QObject>
#include <QString>

#include "platform/HotKeyService.h"

namespace quellpad {

class PortalHotKeyService final : public QObject, public HotKeyService {
    Q_OBJECT
public:
    static constexpr const char* defaultService = "org.freedesktop.portal.Desktop";
    static constexpr const char* panelShortcutId = "open-clipboard-history";

    // nullptr, with the reason in error, when the service does not answer on bus or has
    // no GlobalShortcuts interface.
    static std::unique_ptr<PortalHotKeyService> open(QString* error = nullptr,
                                                     const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                                     const QString& service = QString::fromLatin1(defaultService));
    ~PortalHotKeyService() override;

    HotKeyRegistrationStatus registerHotKey(std::uint32_t id, HotKeyChord chord) override;
    void unregisterHotKey(std::uint32_t id) override;
    void setPressHandler(std::function<void(std::uint32_t id, std::uint32_t timestamp)> handler) override;

    // "CTRL+ALT+SHIFT+LOGO+" and the key's xkb name ("v", "F5"); empty for a key without one.
    static QString triggerFor(HotKeyChord chord);
    // The session the shortcuts are bound in; empty until the portal created it.
    QString sessionHandle() const { return session_; }

private Q_SLOTS:
    void onActivated(const QDBusMessage& message);
    void onSessionResponse(uint response, const QVariantMap& results);
    void onBindResponse(uint response, const QVariantMap& results);

private:
    PortalHotKeyService(QDBusConnection bus, QString service);
    void scheduleRebind();
    void rebind();
    void bindShortcuts();
    QString requestPath(const QString& token) const;
    QString shortcutIdFor(std::uint32_t id) const;

    QDBusConnection bus_;
    QString service_;
    std::map<std::uint32_t, HotKeyChord> chords_;
    std::uint32_t panelId_ = 0;
    bool hasPanelId_ = false;
    std::function<void(std::uint32_t, std::uint32_t)> pressHandler_;
    QString session_;
    QString pendingRequest_;
    bool rebindScheduled_ = false;
    int tokenCounter_ = 0;
};

} // namespace quellpad
