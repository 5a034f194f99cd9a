// The settings window bound to its model: the language switch re-translates the open
// window, controls write their settings, hiding the icon asks first, every control has a name,
// and each page is saved as a picture in both languages.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "Core/Utilities/NotificationCenter.h"
#include "app/AdvancedSettingsViewModel.h"
#include "app/AppFilterSettingsViewModel.h"
#include "app/SettingsViewModel.h"
#include "app/StorageSettingsViewModel.h"
#include "app/widgets/SettingsApplicationChooser.h"
#include "app/widgets/SettingsWindow.h"
#include "hotkey/widgets/KeyComboRecorderControl.h"
#include "capture/ClipboardIgnoredAppsSettings.h"
#include "history/DataDirectoryManager.h"
#include "localization/Localizer.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "settings/PreferenceKeys.h"
#include "support/WidgetScreenshots.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

class EnabledLaunchAtLogin final : public LaunchAtLoginManaging {
public:
    LaunchAtLoginStatus status() const override { return status_; }
    void setEnabled(bool enabled) override {
        status_ = enabled ? LaunchAtLoginStatus::enabled : LaunchAtLoginStatus::notRegistered;
    }
    LaunchAtLoginStatus status_ = LaunchAtLoginStatus::enabled;
};

class SettingsWindowTest : public ::testing::Test {
protected:
    EnabledLaunchAtLogin launchAtLogin;
    InMemoryDefaultsStore defaults;
    NotificationCenter notifications;
    Localizer localizer{defaults};
    FakeWorkspace workspace;
    ClipboardIgnoredAppsSettings ignoredApps{defaults, nullptr};
    DataDirectoryManager dataDirectory{defaults, DataDirectoryManager::Environment{
                                                     .variable = [](const QString&) { return QString(); },
                                                     .homePath = QStringLiteral("/home/ada"),
                                                     .nowSeconds = nullptr}};
    SettingsViewModel model{defaults, notifications, localizer, SettingsViewModel::Services{.launchAtLogin = &launchAtLogin}};
    StorageSettingsViewModel storage{defaults, localizer, dataDirectory, {.workspace = &workspace}};
    AppFilterSettingsViewModel appFilter{
        defaults, ignoredApps, localizer,
        {.installedApplications =
             [] {
                 return QList<InstalledApplication>{
                     {QStringLiteral("org.keepassxc.KeePassXC"), QStringLiteral("KeePassXC"), QStringLiteral("keepassxc")},
                     {QStringLiteral("firefox"), QStringLiteral("Firefox"), QString()}};
             },
         .cannotTellActiveApplication = true}};
    AdvancedSettingsViewModel advanced{defaults, localizer,
                                       {.installedRecognitionLanguages = [] { return QStringList{QStringLiteral("en-US")}; }}};
    SettingsWindow window{model, SettingsPageModels{storage, appFilter, advanced}};

    template <typename T>
    T* control(const QString& accessibleName) const {
        for (T* candidate : window.findChildren<T*>()) {
            if (candidate->accessibleName() == accessibleName && candidate->isVisibleTo(&window)) return candidate;
        }
        ADD_FAILURE() << "no control named " << accessibleName.toStdString();
        return nullptr;
    }
    void saveScreenshot(const QString& name) { test::saveWidgetScreenshot(window, name); }
};

TEST_F(SettingsWindowTest, ChoosingChineseRetranslatesTheOpenWindowAndAConfigChangeTurnsItBack) {
    window.show();
    EXPECT_EQ(window.pageNames(), (QStringList{QStringLiteral("General"), QStringLiteral("Storage"),
                                               QStringLiteral("App Filter"), QStringLiteral("Advanced")}));
    QComboBox* language = control<QComboBox>(QStringLiteral("Language"));
    ASSERT_NE(language, nullptr);
    language->setCurrentIndex(1);
    EXPECT_EQ(defaults.stringValue(PreferenceKeys::appLanguage), QStringLiteral("zh-Hans"));
    EXPECT_EQ(window.pageNames(), (QStringList{QStringLiteral("通用"), QStringLiteral("存储"), QStringLiteral("应用过滤"),
                                               QStringLiteral("高级")}));
    EXPECT_EQ(window.windowTitle(), Localizer::text(AppLanguage::simplifiedChinese, TextKey::settingsWindowTitle));
    EXPECT_NE(control<QComboBox>(Localizer::text(AppLanguage::simplifiedChinese, TextKey::settingsLanguage)), nullptr);

    // `quellpad config set AppLanguage en` in another process arrives as a store change.
    defaults.set(PreferenceKeys::appLanguage, QStringLiteral("en"));
    EXPECT_EQ(window.pageNames().first(), QStringLiteral("General"));
    EXPECT_EQ(language->currentIndex(), 0);
}

TEST_F(SettingsWindowTest, ControlsStoreTheirSettingsAndHidingTheIconWithoutAShortcutAsksFirst) {
    window.show();
    QCheckBox* showIcon = control<QCheckBox>(QStringLiteral("Show icon"));
    ASSERT_NE(showIcon, nullptr);
    showIcon->click();
    EXPECT_TRUE(showIcon->isChecked()) << "without a shortcut the icon is the only way in";
    EXPECT_FALSE(defaults.object(PreferenceKeys::menuBarShowIcon).isValid());
    // The alert is a sheet on the window; Cancel keeps the icon.
    QMessageBox* alert = nullptr;
    ASSERT_TRUE(test::processEventsUntil([&] { return (alert = window.findChild<QMessageBox*>()) != nullptr; }));
    EXPECT_EQ(alert->text(), QStringLiteral("A Shortcut Is Required"));
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    QStringList buttons;
    for (QAbstractButton* button : alert->buttons()) buttons << button->text();
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("Cancel"), QStringLiteral("Restore Shortcut and Hide")}));
    for (QAbstractButton* button : alert->buttons()) {
        if (button->text() == QStringLiteral("Cancel")) button->click();
    }
    EXPECT_TRUE(showIcon->isChecked());
    EXPECT_FALSE(defaults.object(PreferenceKeys::menuBarShowIcon).isValid());
    QCheckBox* launch = control<QCheckBox>(QStringLiteral("Launch at login"));
    ASSERT_NE(launch, nullptr);
    EXPECT_TRUE(launch->isChecked());
    launch->click();
    EXPECT_EQ(launchAtLogin.status(), LaunchAtLoginStatus::notRegistered);
    EXPECT_FALSE(launch->isChecked());

    window.showPage(SettingsWindow::Page::storage);
    control<QCheckBox>(QStringLiteral("Record images"))->click();
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::imageCaptureEnabled), false);
    QSpinBox* size = control<QSpinBox>(QStringLiteral("Largest item to record"));
    ASSERT_NE(size, nullptr);
    size->setValue(42);
    EXPECT_EQ(defaults.integerValue(PreferenceKeys::maxItemSizeInMB), 42);
    defaults.set(PreferenceKeys::maxItemSizeInMB, qint64{900});
    EXPECT_EQ(size->value(), 500);
    control<QPushButton>(QStringLiteral("Show in File Manager"))->click();
    // The data directory does not exist yet: its parent is shown.
    EXPECT_EQ(workspace.revealedFiles, std::vector<QString>{QStringLiteral("/home/ada/.local/share/Quellpad")});
    control<QComboBox>(QStringLiteral("Keep images for"))->setCurrentIndex(2);
    Q_EMIT control<QComboBox>(QStringLiteral("Keep images for"))->activated(2);
    EXPECT_EQ(defaults.stringValue(PreferenceKeys::imageAutoCleanupPolicy), QStringLiteral("sevenDays"));

    window.showPage(SettingsWindow::Page::appFilter);
    control<QPushButton>(QStringLiteral("Add App…"))->click();
    SettingsApplicationChooser* chooser = window.findChild<SettingsApplicationChooser*>();
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(chooser->isVisible());
    QListWidget* installed = chooser->findChild<QListWidget*>();
    ASSERT_EQ(installed->count(), 2);
    chooser->findChild<QLineEdit*>()->setText(QStringLiteral("keep"));
    ASSERT_EQ(installed->count(), 1) << "the search narrows the list";
    installed->item(0)->setSelected(true);
    for (QPushButton* button : chooser->findChildren<QPushButton*>()) {
        if (button->accessibleName() == QStringLiteral("Add")) button->click();
    }
    EXPECT_EQ(defaults.stringArrayValue(PreferenceKeys::ignoredAppBundleIdentifiers),
              QStringList{QStringLiteral("org.keepassxc.KeePassXC")});
    QListWidget* list = control<QListWidget>(QStringLiteral("Ignored Applications"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("KeePassXC"));
    list->setCurrentRow(0);
    control<QPushButton>(QStringLiteral("Remove"))->click();
    EXPECT_TRUE(ignoredApps.ignoredAppBundleIdentifiers().isEmpty());
    EXPECT_FALSE(list->item(0)->flags() & Qt::ItemIsSelectable) << "only the empty-list line is left";
}

TEST_F(SettingsWindowTest, TheRecorderKeepsEveryKeyWhileRecordingAndReportsAShortcutThatCannotBeRegistered) {
    window.show();
    QWidget* recorder = control<KeyComboRecorderControl>(QStringLiteral("Clipboard History: Click to record shortcut"));
    ASSERT_NE(recorder, nullptr);
    QTest::mouseClick(recorder, Qt::LeftButton);
    EXPECT_EQ(recorder->accessibleName(), QStringLiteral("Clipboard History: Press hotkey combination..."));
    // Escape ends recording; it does not reach the window, which Escape would close.
    QTest::keyClick(recorder, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(recorder->accessibleName(), QStringLiteral("Clipboard History: Click to record shortcut"));

    // No shortcut service in this window: the recorded combination is reported, not stored.
    QTest::mouseClick(recorder, Qt::LeftButton);
    QTest::keyClick(recorder, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(recorder->accessibleName(), QStringLiteral("Clipboard History: Ctrl+Alt+K"));
    const QString error = localizer.text(TextKey::settingsHotkeyUnavailable, {QStringLiteral("Ctrl+Alt+K")});
    EXPECT_TRUE(test::processEventsUntil([&] {
        const QList<QLabel*> labels = window.findChildren<QLabel*>();
        return std::any_of(labels.begin(), labels.end(),
                           [&](QLabel* label) { return label->text() == error && label->isVisibleTo(&window); });
    }));
    EXPECT_FALSE(defaults.object(PreferenceKeys::clipboardHistoryHotkey).isValid());
    EXPECT_EQ(recorder->accessibleName(), QStringLiteral("Clipboard History: Click to record shortcut"));
}

TEST_F(SettingsWindowTest, EveryControlOnEveryPageHasANameInBothLanguages) {
    window.show();
    for (const char* language : {"en", "zh-Hans"}) {
        defaults.set(PreferenceKeys::appLanguage, QString::fromLatin1(language));
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            const bool isControl = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget) ||
                                   qobject_cast<KeyComboRecorderControl*>(widget) ||
                                   qobject_cast<QSpinBox*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                                   qobject_cast<QListWidget*>(widget);
            // The editor inside a spin box is named through the spin box.
            const bool isPart = qobject_cast<QAbstractSpinBox*>(widget->parent()) != nullptr;
            if (isControl && !isPart) {
                EXPECT_FALSE(widget->accessibleName().isEmpty())
                    << language << ": " << widget->metaObject()->className() << " "
                    << widget->parentWidget()->metaObject()->className();
            }
        }
    }
}

TEST_F(SettingsWindowTest, SavesEveryPageInBothLanguages) {
    ignoredApps.addIgnoredApp(QStringLiteral("org.keepassxc.KeePassXC"));
    defaults.set(PreferenceKeys::menuBarStatusItemHiddenBySystem, true);
    window.show();
    const std::pair<SettingsWindow::Page, const char*> pages[] = {{SettingsWindow::Page::general, "general"},
                                                                  {SettingsWindow::Page::storage, "storage"},
                                                                  {SettingsWindow::Page::appFilter, "app-filter"},
                                                                  {SettingsWindow::Page::advanced, "advanced"}};
    for (const char* language : {"en", "zh-Hans"}) {
        defaults.set(PreferenceKeys::appLanguage, QString::fromLatin1(language));
        for (const auto& [page, name] : pages) {
            window.showPage(page);
            saveScreenshot(QStringLiteral("settings-%1-%2").arg(QLatin1String(name), QLatin1String(language)));
        }
    }
    const test::ScopedDarkPalette dark;
    for (const auto& [page, name] : pages) {
        window.showPage(page);
        saveScreenshot(QStringLiteral("settings-%1-zh-Hans-dark").arg(QLatin1String(name)));
    }
}

} // namespace
} // namespace quellpad
