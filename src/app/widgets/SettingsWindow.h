// The settings window: the page list beside the page shown. It re-reads every page
// whenever a setting changes (here, in another window or from `quellpad config`), so
// a language change re-translates it at once.
#pragma once

#include <optional>

#include <QStringList>
#include <QWidget>

#include "app/SettingsPageModels.h"
#include "app/SettingsWindowPresenting.h"

class QListWidget;
class QStackedWidget;

namespace quellpad {

class SettingsAdvancedPage;
class SettingsAppFilterPage;
class SettingsGeneralPage;
class SettingsStoragePage;
class SettingsViewModel;

class SettingsWindow final : public QWidget, public SettingsWindowPresenting {
    Q_OBJECT
public:
    using Page = SettingsModuleIdentifier;

    SettingsWindow(SettingsViewModel& model, const SettingsPageModels& pages, QWidget* parent = nullptr);

    // Shows the window at a page, or at the last one shown; raises it when already open.
    void present(std::optional<Page> page = std::nullopt) override;
    bool isPresented() const override { return isVisible(); }
    void showPage(Page page);
    QStringList pageNames() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();

    SettingsViewModel& model_;
    QListWidget* pages_;
    QStackedWidget* stack_;
    SettingsGeneralPage* general_;
    SettingsStoragePage* storage_;
    SettingsAppFilterPage* appFilter_;
    SettingsAdvancedPage* advanced_;
};

} // namespace quellpad
