// The settings window: the page list beside the page shown. It re-reads every page
// whenever a setting changes (here, in another window or from `quellpad config`), so
// a language change re-translates it at once.
#pragma once

#include <optional>

#include <QStringList>
#include <QWidget>

class QListWidget;
class QStackedWidget;

namespace quellpad {

class SettingsAdvancedPage;
class SettingsAppFilterPage;
class SettingsGeneralPage;
class SettingsStoragePage;
class SettingsViewModel;

class SettingsWindow final : public QWidget {
    Q_OBJECT
public:
    enum class Page { general, storage, appFilter, advanced };

    explicit SettingsWindow(SettingsViewModel& model, QWidget* parent = nullptr);

    // Shows the window at a page, or at the last one shown; raises it when already open.
    void present(std::optional<Page> page = std::nullopt);
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
