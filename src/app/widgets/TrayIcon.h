// The tray item: a QSystemTrayIcon and its menu, bound to a MenuBarManager. Shown
// only while "MenuBarShowIcon" is on and a tray exists.
#pragma once

#include <memory>

#include <QObject>

class QMenu;
class QSystemTrayIcon;

namespace quellpad {

class MenuBarManager;

class TrayIcon final : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(MenuBarManager& manager, QObject* parent = nullptr);
    ~TrayIcon() override;

    static bool isSystemTrayAvailable();

private:
    void rebind();
    void rebuildMenu();

    MenuBarManager& manager_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
};

} // namespace quellpad
