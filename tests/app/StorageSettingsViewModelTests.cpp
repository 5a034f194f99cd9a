// The Storage page's model over a real data directory in a temporary home: moving the
// history copies it off the main thread and reopens it where it now is, a failed move
// keeps the old place and says why, and clearing never reports a failure as success.
#include <unistd.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "app/StorageSettingsViewModel.h"
#include "localization/Localizer.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "settings/PreferenceKeys.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

class StorageSettingsViewModelTest : public ::testing::Test {
protected:
    QTemporaryDir home;
    InMemoryDefaultsStore defaults;
    Localizer localizer{defaults};
    FakeWorkspace workspace;
    QMap<QString, QString> environment;
    DataDirectoryManager dataDirectory{defaults, DataDirectoryManager::Environment{
                                                     .variable = [this](const QString& name) { return environment.value(name); },
                                                     .homePath = home.path(),
                                                     .nowSeconds = [] { return qint64{1700000000}; }}};
    // What the app did around the copy, in order, with the data directory at that moment.
    QStringList storageEvents;
    std::vector<ClipboardContentType> retentionRuns;
    std::optional<QString> clearError;
    int clears = 0;
    StorageSettingsViewModel model{
        defaults, localizer, dataDirectory,
        StorageSettingsViewModel::Services{
            .workspace = &workspace,
            .releaseStorage = [this] { storageEvents << QStringLiteral("release ") + dataDirectory.dataDirectoryPath(); },
            .reopenStorage = [this] { storageEvents << QStringLiteral("reopen ") + dataDirectory.dataDirectoryPath(); },
            .clearHistory =
                [this] {
                    ++clears;
                    return clearError;
                },
            .applyRetention = [this](ClipboardContentType type) { retentionRuns.push_back(type); },
        }};

    QString defaultData() const { return home.path() + QStringLiteral("/.local/share/Quellpad/QuellpadData"); }

    void putHistory(const QByteArray& bytes) {
        QDir().mkpath(dataDirectory.dataDirectoryPath());
        ASSERT_TRUE(test::writeFile(dataDirectory.storeFilePath(), bytes));
    }

    // Answers every alert with its confirming button and the chooser with folder; counts alerts.
    DataDirectoryDialogs confirming(const QString& folder, int* alerts = nullptr) {
        DataDirectoryDialogs dialogs;
        dialogs.showAlert = [alerts](const DataDirectoryAlert&) {
            if (alerts) ++*alerts;
            return 1;
        };
        dialogs.chooseDirectory = [folder](const DataDirectoryOpenPanel&) { return std::optional<QString>(folder); };
        return dialogs;
    }
};

TEST_F(StorageSettingsViewModelTest, SwitchesAndRetentionAreStoredAtOnceAndANewRetentionIsAppliedOnce) {
    QSignalSpy changed(&model, &StorageSettingsViewModel::changed);
    model.setTextCaptureEnabled(false);
    model.setImageCaptureEnabled(false);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::textCaptureEnabled), false);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::imageCaptureEnabled), false);
    for (const auto& [entered, stored] : {std::pair{0, 1}, {-7, 1}, {250, 250}, {501, 500}}) {
        model.setMaxItemSizeInMB(entered);
        EXPECT_EQ(defaults.integerValue(PreferenceKeys::maxItemSizeInMB), stored) << entered;
    }

    EXPECT_EQ(model.retention(ClipboardContentType::text), ClipboardAutoCleanupPolicy::never);
    model.setRetention(ClipboardContentType::text, ClipboardAutoCleanupPolicy::sevenDays);
    model.setRetention(ClipboardContentType::text, ClipboardAutoCleanupPolicy::sevenDays);
    model.setRetention(ClipboardContentType::image, ClipboardAutoCleanupPolicy::oneDay);
    EXPECT_EQ(defaults.stringValue(PreferenceKeys::textAutoCleanupPolicy), QStringLiteral("sevenDays"));
    EXPECT_EQ(defaults.stringValue(PreferenceKeys::imageAutoCleanupPolicy), QStringLiteral("oneDay"));
    EXPECT_EQ(retentionRuns, (std::vector{ClipboardContentType::text, ClipboardContentType::image}))
        << "choosing the policy already in force deletes nothing";

    // `quellpad config set` in another process: the page follows.
    const int before = static_cast<int>(changed.count());
    defaults.set(PreferenceKeys::textAutoCleanupPolicy, QStringLiteral("ninetyDays"));
    EXPECT_EQ(model.retention(ClipboardContentType::text), ClipboardAutoCleanupPolicy::ninetyDays);
    EXPECT_EQ(changed.count(), before + 1);
}

TEST_F(StorageSettingsViewModelTest, AMoveCopiesTheClosedHistoryAndReopensItAtTheNewPlace) {
    putHistory("history");
    const QString chosen = home.path() + QStringLiteral("/elsewhere");
    int alerts = 0;
    model.changeLocation(confirming(chosen, &alerts));
    ASSERT_EQ(alerts, 2);
    EXPECT_TRUE(model.isMigrating());
    EXPECT_FALSE(model.canChangeLocation());
    // A second click while the copy runs asks nothing and starts nothing.
    model.changeLocation(confirming(chosen, &alerts));
    model.resetLocation(confirming(chosen, &alerts));
    EXPECT_EQ(alerts, 2);

    ASSERT_TRUE(test::processEventsUntil([&] { return !model.isMigrating(); }));
    const QString moved = chosen + QStringLiteral("/QuellpadData");
    EXPECT_EQ(storageEvents, (QStringList{QStringLiteral("release ") + defaultData(), QStringLiteral("reopen ") + moved}));
    EXPECT_EQ(model.dataDirectoryPath(), moved);
    EXPECT_EQ(test::readFile(moved + QStringLiteral("/clipboard_history.sqlite")), QByteArray("history"));
    EXPECT_EQ(test::readFile(defaultData() + QStringLiteral("/clipboard_history.sqlite")), QByteArray("history"))
        << "the source is never modified";
    ASSERT_TRUE(model.message());
    EXPECT_FALSE(model.message()->isError);
    EXPECT_EQ(model.message()->title, QStringLiteral("Storage Location Changed"));
    EXPECT_TRUE(model.message()->text.contains(moved));
    EXPECT_TRUE(model.canChangeLocation());

    // Back to the default place; the message follows the interface language.
    storageEvents.clear();
    model.resetLocation(confirming(QString()));
    ASSERT_TRUE(test::processEventsUntil([&] { return model.canChangeLocation(); }));
    EXPECT_EQ(storageEvents, (QStringList{QStringLiteral("release ") + moved, QStringLiteral("reopen ") + defaultData()}));
    EXPECT_FALSE(model.isUsingCustomLocation());
    defaults.set(PreferenceKeys::appLanguage, QStringLiteral("zh-Hans"));
    EXPECT_EQ(model.message()->title, Localizer::text(AppLanguage::simplifiedChinese, TextKey::storageLocationResetTitle));
}

TEST_F(StorageSettingsViewModelTest, CancellingAMoveKeepsTheStorageOpen) {
    putHistory("history");
    DataDirectoryDialogs cancelling = confirming(home.path());
    cancelling.chooseDirectory = [](const DataDirectoryOpenPanel&) { return std::optional<QString>(); };
    model.changeLocation(cancelling);
    ASSERT_TRUE(test::processEventsUntil([&] { return model.canChangeLocation(); }));
    EXPECT_TRUE(storageEvents.isEmpty());
    EXPECT_FALSE(model.message());
    EXPECT_EQ(model.dataDirectoryPath(), defaultData());
}

TEST_F(StorageSettingsViewModelTest, AMoveIntoAFolderTheUserCannotWriteFailsVisiblyAndKeepsEverything) {
    if (test::reranAsNobody()) return; // root ignores folder permissions
    putHistory("history");
    const QString locked = home.path() + QStringLiteral("/locked");
    ASSERT_TRUE(QDir().mkpath(locked));
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
    test::LogCapture logs;
    model.changeLocation(confirming(locked));
    ASSERT_TRUE(test::processEventsUntil([&] { return model.canChangeLocation(); }));
    ::chmod(QFile::encodeName(locked).constData(), 0755);

    EXPECT_EQ(model.dataDirectoryPath(), defaultData());
    EXPECT_FALSE(defaults.object(PreferenceKeys::customDataDirectory).isValid());
    EXPECT_EQ(test::readFile(dataDirectory.storeFilePath()), QByteArray("history"));
    // Closed for the copy, so opened again where the data still is.
    EXPECT_EQ(storageEvents, (QStringList{QStringLiteral("release ") + defaultData(), QStringLiteral("reopen ") + defaultData()}));
    ASSERT_TRUE(model.message());
    EXPECT_TRUE(model.message()->isError);
    EXPECT_EQ(model.message()->title, QStringLiteral("Failed to Change Location"));
    EXPECT_TRUE(model.message()->text.contains(QStringLiteral("Check folder permissions and try again.")));
    EXPECT_TRUE(model.message()->text.contains(QStringLiteral("Reason: "))) << model.message()->text.toStdString();
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("StorageSettings"), QStringLiteral("Storage location not changed: ")));
}

TEST_F(StorageSettingsViewModelTest, TheEnvironmentOverrideFixesThePlace) {
    environment.insert(QStringLiteral("QUELLPAD_STORAGE_DIRECTORY"), home.path() + QStringLiteral("/pinned"));
    EXPECT_TRUE(model.isLocationFixedByEnvironment());
    EXPECT_FALSE(model.canChangeLocation());
    int alerts = 0;
    model.changeLocation(confirming(home.path(), &alerts));
    EXPECT_EQ(alerts, 0);
    EXPECT_EQ(model.dataDirectoryPath(), home.path() + QStringLiteral("/pinned"));
}

TEST_F(StorageSettingsViewModelTest, ClearingAsksFirstAndReportsAFailureAsAFailure) {
    QString askedTitle;
    model.clearHistory([&](const QString& title, const QString&) {
        askedTitle = title;
        return false;
    });
    EXPECT_EQ(askedTitle, QStringLiteral("Clear All Clipboard History?"));
    EXPECT_EQ(clears, 0) << "declined: nothing deleted";

    clearError = QStringLiteral("database is locked");
    test::LogCapture logs;
    model.clearHistory([](const QString&, const QString&) { return true; });
    EXPECT_EQ(clears, 1);
    ASSERT_TRUE(model.message());
    EXPECT_TRUE(model.message()->isError);
    EXPECT_EQ(model.message()->title, QStringLiteral("Failed to Clear History"));
    EXPECT_TRUE(model.message()->text.contains(QStringLiteral("database is locked")));
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("StorageSettings"),
                              QStringLiteral("Failed to clear clipboard history: database is locked")));

    clearError.reset();
    model.clearHistory([](const QString&, const QString&) { return true; });
    EXPECT_FALSE(model.message()->isError);
    EXPECT_EQ(model.message()->title, QStringLiteral("Clipboard History Cleared"));
    EXPECT_TRUE(model.message()->text.contains(defaultData()));
}

TEST_F(StorageSettingsViewModelTest, RevealShowsTheFolderOrWhyItCannot) {
    model.revealDataDirectory();
    // Nothing stored yet: the parent folder is what exists.
    EXPECT_EQ(workspace.revealedFiles, std::vector<QString>{home.path() + QStringLiteral("/.local/share/Quellpad")});
    EXPECT_FALSE(model.message());
    workspace.openSucceeds = false;
    model.revealDataDirectory();
    ASSERT_TRUE(model.message());
    EXPECT_EQ(model.message()->text, localizer.text(TextKey::settingsRevealFailed, {QStringLiteral("fake reveal failure")}));
}

} // namespace
} // namespace quellpad
