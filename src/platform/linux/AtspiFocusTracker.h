// Remembers the accessible that last gained the keyboard focus, from the AT-SPI
// "object:state-changed:focused" events. The walk for a FOCUSED node misses it while a
// global shortcut's key grab is active: toolkits take the focus state away from the
// field during the grab, and the panel's caret is read exactly then.
#pragma once

#include <optional>

#include <QDBusMessage>
#include <QObject>
#include <QString>

namespace quellpad {

class AtspiFocusTracker final : public QObject {
    Q_OBJECT
public:
    struct Focused {
        QString service; // the application's unique bus name
        QString path;
    };

    // Registers for the events on connectionName (a connection to the accessibility
    // bus); false when the registry refused.
    bool start(const QString& connectionName, int timeoutMs);
    bool isStarted() const { return started_; }
    std::optional<Focused> lastFocused() const { return last_; }

private Q_SLOTS:
    void stateChanged(const QDBusMessage& message);

private:
    bool started_ = false;
    std::optional<Focused> last_;
};

} // namespace quellpad
