#include "app/widgets/TrayIcon.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

#include "app/MenuBarManager.h"

namespace quellpad {

namespace {
QIcon stateIcon(MenuBarRecordingState state) {
    // Orange with a pause badge whenever copies are not being recorded.
    return QIcon(state == MenuBarRecordingState::recording ? QStringLiteral(":/quellpad/icons/quellpad.svg")
                                                           : QStringLiteral(":/quellpad/icons/quellpad-attention.svg"));
}
} // namespace

TrayIcon::TrayIcon(MenuBarManager& manager, QObject* parent)
    : QObject(parent), manager_(manager), menu_(std::make_unique<QMenu>()) {
    menu_->setAccessibleName(manager_.displayName());
    connect(menu_.get(), &QMenu::aboutToShow, this, [this] { manager_.menuWillOpen(); });
    connect(menu_.get(), &QMenu::aboutToHide, this, [this] { manager_.menuDidClose(); });
    connect(&manager_, &MenuBarManager::changed, this, &TrayIcon::rebind);
    rebind();
}

TrayIcon::~TrayIcon() {
    if (icon_) icon_->hide();
}

bool TrayIcon::isSystemTrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::rebuildMenu() {
    menu_->clear();
    for (const MenuBarMenuEntry& entry : manager_.menu()) {
        if (entry.kind == MenuBarMenuEntry::Kind::separator) {
            menu_->addSeparator();
            continue;
        }
        QAction* action = menu_->addAction(QIcon::fromTheme(entry.iconName), entry.title);
        action->setEnabled(entry.enabled);
        if (entry.action) {
            const MenuBarAction what = *entry.action;
            // Queued: the menu finishes closing before a window opens or the state changes.
            connect(action, &QAction::triggered, this, [this, what] { manager_.perform(what); }, Qt::QueuedConnection);
        }
    }
}

void TrayIcon::rebind() {
    if (!manager_.showsIcon()) {
        if (icon_) icon_->hide();
        return;
    }
    if (!icon_) {
        icon_ = std::make_unique<QSystemTrayIcon>();
        icon_->setContextMenu(menu_.get());
        // A left click opens the panel; the menu is on the right button.
        connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) manager_.perform(MenuBarAction::openClipboardHistoryPanel);
        });
    }
    rebuildMenu();
    icon_->setIcon(stateIcon(manager_.recordingState()));
    icon_->setToolTip(manager_.toolTip());
    icon_->show();
}

} // namespace quellpad
