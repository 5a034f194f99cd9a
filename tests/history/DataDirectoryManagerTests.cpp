#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "history/ClipboardHistoryStore.h"
#include "localization/Localizer.h"
#include "settings/PreferenceKeys.h"
#include "history/DataDirectoryManager.h"
#include "search/SQLiteClipboardSearchIndexStore.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "support/TestSupport.h"

using namespace quellpad;
namespace K = PreferenceKeys;

class DataDirectoryManagerTest : public ::testing::Test {
protected:
    QTemporaryDir home;
    InMemoryDefaultsStore defaults;
    Localizer localizer{defaults};
    QMap<QString, QString> environment;
    qint64 now = 1700000000;

    std::unique_ptr<DataDirectoryManager> makeManager() {
        DataDirectoryManager::Environment env;
        env.variable = [this](const QString& name) { return environment.value(name); };
        env.homePath = home.path();
        env.nowSeconds = [this] { return now; };
        return std::make_unique<DataDirectoryManager>(defaults, env);
    }

    QString defaultData() const { return home.path() + QStringLiteral("/.local/share/Quellpad/QuellpadData"); }

    static void put(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(test::writeFile(path, bytes));
    }

    // Runs a flow and waits for its completion on the main thread.
    DataDirectoryFlowResult waitFor(const std::function<void(DataDirectoryManager::Completion)>& start) {
        std::optional<DataDirectoryFlowResult> result;
        start([&](DataDirectoryFlowResult r) { result = r; });
        EXPECT_TRUE(test::processEventsUntil([&] { return result.has_value(); }));
        return result.value_or(DataDirectoryFlowResult{});
    }

    static DataDirectoryDialogs answering(std::vector<int> buttons, std::optional<QString> folder,
                                          std::vector<DataDirectoryAlert>* shown = nullptr) {
        auto queue = std::make_shared<std::vector<int>>(std::move(buttons));
        DataDirectoryDialogs dialogs;
        dialogs.showAlert = [queue, shown](const DataDirectoryAlert& alert) {
            if (shown != nullptr) shown->push_back(alert);
            const int answer = queue->empty() ? 0 : queue->front();
            if (!queue->empty()) queue->erase(queue->begin());
            return answer;
        };
        dialogs.chooseDirectory = [folder](const DataDirectoryOpenPanel&) { return folder; };
        return dialogs;
    }
};

TEST_F(DataDirectoryManagerTest, LocationsFollowXdgCustomAndOverride) {
    auto manager = makeManager();
    EXPECT_EQ(manager->dataDirectoryPath(), defaultData());
    EXPECT_EQ(manager->storeFilePath(), defaultData() + QStringLiteral("/clipboard_history.sqlite"));
    EXPECT_EQ(manager->searchIndexFilePath(), defaultData() + QStringLiteral("/clipboard_search.sqlite"));

    environment[QStringLiteral("XDG_DATA_HOME")] = home.path() + QStringLiteral("/data");
    EXPECT_EQ(manager->dataDirectoryPath(), home.path() + QStringLiteral("/data/Quellpad/QuellpadData"));
    environment[QStringLiteral("XDG_DATA_HOME")] = QStringLiteral("relative/ignored");
    EXPECT_EQ(manager->dataDirectoryPath(), defaultData());

    manager->setCustomDirectory(home.path() + QStringLiteral("/chosen/"));
    EXPECT_EQ(manager->dataDirectoryPath(), home.path() + QStringLiteral("/chosen/QuellpadData"));
    EXPECT_EQ(defaults.stringValue(K::customDataDirectory), home.path() + QStringLiteral("/chosen"));
    EXPECT_TRUE(defaults.bytesValue(K::customDataDirectoryBookmark).has_value());

    environment[QStringLiteral("QUELLPAD_STORAGE_DIRECTORY")] = QString();
    EXPECT_EQ(manager->dataDirectoryPath(), home.path() + QStringLiteral("/chosen/QuellpadData")) << "empty is ignored";
    environment[QStringLiteral("QUELLPAD_STORAGE_DIRECTORY")] = home.path() + QStringLiteral("/over/./ride");
    EXPECT_EQ(manager->dataDirectoryPath(), home.path() + QStringLiteral("/over/ride"));
    EXPECT_EQ(manager->storeFilePath(), home.path() + QStringLiteral("/over/ride/clipboard_history.sqlite"));

    manager->setCustomDirectory(std::nullopt);
    EXPECT_FALSE(defaults.object(K::customDataDirectory).isValid());
    EXPECT_FALSE(defaults.object(K::customDataDirectoryBookmark).isValid());
}

TEST_F(DataDirectoryManagerTest, BookmarksAreRenewedWhenStaleAndFallBackToThePath) {
    const QString chosen = home.path() + QStringLiteral("/chosen");
    defaults.set(K::customDataDirectoryBookmark, QByteArray("{\"path\":\"") + chosen.toUtf8() + "\"}");
    {
        auto manager = makeManager();
        EXPECT_EQ(manager->activeCustomDirectoryPath(), chosen);
        EXPECT_EQ(defaults.bytesValue(K::customDataDirectoryBookmark), DataDirectoryManager::makeBookmark(chosen));
        EXPECT_EQ(defaults.stringValue(K::customDataDirectory), chosen);
    }
    defaults.set(K::customDataDirectoryBookmark, QByteArray("garbage"));
    defaults.set(K::customDataDirectory, home.path() + QStringLiteral("/saved"));
    test::LogCapture logs;
    auto manager = makeManager();
    EXPECT_EQ(manager->activeCustomDirectoryPath(), home.path() + QStringLiteral("/saved"));
    EXPECT_TRUE(logs.contains(LogLevel::warning, QStringLiteral("DataDirectoryManager"),
                              QStringLiteral("Failed to resolve storage bookmark: ")));
}

TEST_F(DataDirectoryManagerTest, EnsureCreatesAPrivateDirectoryAndRefusesAFile) {
    auto manager = makeManager();
    EXPECT_FALSE(manager->hasStoredHistory());
    ASSERT_FALSE(manager->ensureDataDirectory());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(defaultData()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    put(manager->storeFilePath(), "db");
    EXPECT_TRUE(manager->hasStoredHistory());

    const QString file = home.path() + QStringLiteral("/plainfile");
    put(file, "x");
    environment[QStringLiteral("QUELLPAD_STORAGE_DIRECTORY")] = file;
    const std::optional<DataDirectoryError> error = manager->ensureDataDirectory();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind, DataDirectoryError::Kind::notADirectory);
    EXPECT_EQ(test::readFile(file), QByteArray("x"));
}

TEST_F(DataDirectoryManagerTest, DisplayPathShortensOnlyWholeHomeComponent) {
    auto manager = makeManager();
    EXPECT_EQ(manager->displayPath(home.path() + QStringLiteral("/a/b")), QStringLiteral("~/a/b"));
    EXPECT_EQ(manager->displayPath(home.path()), QStringLiteral("~"));
    EXPECT_EQ(manager->displayPath(home.path() + QStringLiteral("ish/a")), home.path() + QStringLiteral("ish/a"));
    EXPECT_EQ(manager->displayPath(QStringLiteral("/elsewhere")), QStringLiteral("/elsewhere"));
}

TEST_F(DataDirectoryManagerTest, ChangeCopiesDataKeepsBackupsAndLeavesTheSourceAlone) {
    auto manager = makeManager();
    put(manager->storeFilePath(), "history-v2");
    put(defaultData() + QStringLiteral("/clipboard_search.sqlite"), "index-v2");
    put(defaultData() + QStringLiteral("/nested/deep.txt"), "deep");
    const QString chosen = home.path() + QStringLiteral("/chosen");
    const QString target = chosen + QStringLiteral("/QuellpadData");
    put(target + QStringLiteral("/clipboard_history.sqlite"), "history-v1");
    put(target + QStringLiteral("/old.backup_1"), "earlier backup");

    std::vector<DataDirectoryAlert> alerts;
    bool hookRan = false;
    const DataDirectoryFlowResult result = waitFor([&](auto completion) {
        manager->changeLocation(answering({1, 1}, chosen, &alerts), localizer, [&] { hookRan = true; }, completion);
    });
    EXPECT_TRUE(result.changed);
    EXPECT_FALSE(result.error);
    EXPECT_TRUE(hookRan);
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("Change Storage Directory"));
    EXPECT_EQ(alerts[1].style, DataDirectoryAlert::Style::critical);
    EXPECT_EQ(alerts[1].informativeText,
              QStringLiteral("Clipboard data will be copied to:\n~/chosen/QuellpadData\n\nContinue?"));
    EXPECT_EQ(alerts[1].buttons, (QStringList{QStringLiteral("Cancel"), QStringLiteral("Confirm Migration")}));

    EXPECT_EQ(manager->dataDirectoryPath(), target);
    EXPECT_EQ(test::readFile(target + QStringLiteral("/clipboard_history.sqlite")), QByteArray("history-v2"));
    EXPECT_EQ(test::readFile(target + QStringLiteral("/clipboard_history.sqlite.backup_1700000000")),
              QByteArray("history-v1"));
    EXPECT_EQ(test::readFile(target + QStringLiteral("/nested/deep.txt")), QByteArray("deep"));
    EXPECT_FALSE(QFile::exists(target + QStringLiteral("/old.backup_1")));
    EXPECT_EQ(test::readFile(defaultData() + QStringLiteral("/clipboard_history.sqlite")), QByteArray("history-v2"));
    EXPECT_TRUE(QDir(target).entryList({QStringLiteral(".write_test_*")}, QDir::Hidden | QDir::Files).isEmpty());
}

TEST_F(DataDirectoryManagerTest, CancellingAnyStepChangesNothing) {
    auto manager = makeManager();
    const QString chosen = home.path() + QStringLiteral("/chosen");
    const std::vector<DataDirectoryDialogs> cancellations{
        answering({0}, chosen), answering({1}, std::nullopt), answering({1, 0}, chosen)};
    for (const DataDirectoryDialogs& dialogs : cancellations) {
        bool hookRan = false;
        const DataDirectoryFlowResult result = waitFor(
            [&](auto completion) { manager->changeLocation(dialogs, localizer, [&] { hookRan = true; }, completion); });
        EXPECT_FALSE(result.changed);
        EXPECT_FALSE(result.error);
        EXPECT_FALSE(hookRan);
        EXPECT_EQ(manager->dataDirectoryPath(), defaultData());
    }
}

TEST_F(DataDirectoryManagerTest, ReadOnlyDestinationFailsAndKeepsTheLocation) {
    if (test::reranAsNobody()) return; // root ignores folder permissions
    auto manager = makeManager();
    put(manager->storeFilePath(), "history");
    const QString chosen = home.path() + QStringLiteral("/readonly");
    QDir().mkpath(chosen + QStringLiteral("/QuellpadData"));
    ::chmod(QFile::encodeName(chosen + QStringLiteral("/QuellpadData")).constData(), 0500);
    test::LogCapture logs;
    const DataDirectoryFlowResult result =
        waitFor([&](auto completion) { manager->changeLocation(answering({1, 1}, chosen), localizer, {}, completion); });
    ::chmod(QFile::encodeName(chosen + QStringLiteral("/QuellpadData")).constData(), 0700);
    EXPECT_FALSE(result.changed);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->kind, DataDirectoryError::Kind::writeTest);
    EXPECT_EQ(manager->dataDirectoryPath(), defaultData());
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("DataDirectoryManager"),
                              QStringLiteral("Failed to migrate storage directory: ")));
}

TEST_F(DataDirectoryManagerTest, DestinationUnderAFileFailsAndKeepsTheLocation) {
    auto manager = makeManager();
    put(manager->storeFilePath(), "history");
    const QString file = home.path() + QStringLiteral("/afile");
    put(file, "x");
    test::LogCapture logs;
    const DataDirectoryFlowResult result =
        waitFor([&](auto completion) { manager->changeLocation(answering({1, 1}, file), localizer, {}, completion); });
    EXPECT_FALSE(result.changed);
    EXPECT_TRUE(result.error);
    EXPECT_EQ(manager->dataDirectoryPath(), defaultData());
    EXPECT_FALSE(defaults.object(K::customDataDirectory).isValid());
}

TEST_F(DataDirectoryManagerTest, ResetCopiesBackOnlyWhenThereIsHistory) {
    auto manager = makeManager();
    const QString chosen = home.path() + QStringLiteral("/chosen");
    manager->setCustomDirectory(chosen);

    // No store file in the custom folder: the location is cleared without copying.
    DataDirectoryFlowResult result =
        waitFor([&](auto completion) { manager->resetLocation(answering({1}, std::nullopt), localizer, {}, completion); });
    EXPECT_TRUE(result.changed);
    EXPECT_EQ(manager->dataDirectoryPath(), defaultData());
    EXPECT_FALSE(QDir(defaultData()).exists());

    manager->setCustomDirectory(chosen);
    put(manager->storeFilePath(), "custom history");
    bool hookRan = false;
    std::vector<DataDirectoryAlert> alerts;
    result = waitFor([&](auto completion) {
        manager->resetLocation(answering({1}, std::nullopt, &alerts), localizer, [&] { hookRan = true; }, completion);
    });
    EXPECT_TRUE(result.changed);
    EXPECT_TRUE(hookRan);
    EXPECT_EQ(alerts.at(0).buttons.at(1), QStringLiteral("Confirm Reset"));
    EXPECT_EQ(test::readFile(defaultData() + QStringLiteral("/clipboard_history.sqlite")), QByteArray("custom history"));
    EXPECT_FALSE(manager->activeCustomDirectoryPath());

    // Cancelling the confirmation keeps everything.
    manager->setCustomDirectory(chosen);
    result = waitFor([&](auto completion) { manager->resetLocation(answering({0}, std::nullopt), localizer, {}, completion); });
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(manager->activeCustomDirectoryPath(), chosen);
}

TEST_F(DataDirectoryManagerTest, MigratingAMissingSourceJustCreatesTheDestination) {
    auto manager = makeManager();
    std::optional<std::optional<DataDirectoryError>> outcome;
    manager->migrate(home.path() + QStringLiteral("/fresh/QuellpadData"), [&](auto error) { outcome = error; });
    ASSERT_TRUE(test::processEventsUntil([&] { return outcome.has_value(); }));
    EXPECT_FALSE(outcome->has_value());
    EXPECT_TRUE(QDir(home.path() + QStringLiteral("/fresh/QuellpadData")).exists());
}

namespace {

unsigned modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 0777) : 0xffff;
}

} // namespace

TEST_F(DataDirectoryManagerTest, WideStorageFromEarlierVersionsIsNarrowedAtStart) {
    auto manager = makeManager();
    const QString data = defaultData();
    put(manager->storeFilePath(), "db");
    put(manager->storeFilePath() + QStringLiteral("-wal"), "wal");
    put(manager->searchIndexFilePath(), "index");
    put(data + QStringLiteral("/notes.txt"), "not ours");
    for (const auto& [path, mode] : std::vector<std::pair<QString, unsigned>>{
             {data, 0755}, {manager->storeFilePath(), 0644}, {manager->storeFilePath() + QStringLiteral("-wal"), 0666},
             {manager->searchIndexFilePath(), 0640}, {data + QStringLiteral("/notes.txt"), 0644}}) {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    }
    test::LogCapture logs;
    ASSERT_FALSE(manager->ensureDataDirectory());
    EXPECT_EQ(modeOf(data), 0700u);
    EXPECT_EQ(modeOf(manager->storeFilePath()), 0600u);
    EXPECT_EQ(modeOf(manager->storeFilePath() + QStringLiteral("-wal")), 0600u);
    EXPECT_EQ(modeOf(manager->searchIndexFilePath()), 0600u);
    EXPECT_EQ(modeOf(data + QStringLiteral("/notes.txt")), 0644u) << "files that are not ours are left alone";
    EXPECT_TRUE(logs.contains(LogLevel::info, QStringLiteral("DataDirectoryManager"),
                              QStringLiteral("Restricted permissions of ") + data + QStringLiteral(" from 0755 to 0700")));

    // Already private: nothing to log.
    test::LogCapture quiet;
    ASSERT_FALSE(manager->ensureDataDirectory());
    EXPECT_FALSE(quiet.contains(LogLevel::info, QStringLiteral("DataDirectoryManager"), QStringLiteral("Restricted")));
}

TEST_F(DataDirectoryManagerTest, DatabasesAndTheirLogsArePrivateUnderUmask022) {
    const mode_t previous = ::umask(022);
    {
        const QString data = home.path() + QStringLiteral("/fresh/QuellpadData");
        SQLiteClipboardSearchIndexStore index(data + QStringLiteral("/clipboard_search.sqlite"), defaults);
        ClipboardHistoryStore store(data + QStringLiteral("/clipboard_history.sqlite"));
        store.insert({QStringLiteral("ID"), QStringLiteral("p"), QStringLiteral("s"), QDateTime::currentDateTimeUtc(),
                      std::nullopt, 0, ClipboardContentType::text, std::nullopt, std::nullopt},
                     {{QStringLiteral("ID"), QStringLiteral("secret"), std::nullopt, std::nullopt, std::nullopt, std::nullopt},
                      std::nullopt});
        EXPECT_EQ(modeOf(home.path() + QStringLiteral("/fresh")), 0700u);
        EXPECT_EQ(modeOf(data), 0700u);
        const QStringList files = QDir(data).entryList(QDir::Files);
        EXPECT_TRUE(files.contains(QStringLiteral("clipboard_history.sqlite-wal"))) << files.join(' ').toStdString();
        EXPECT_TRUE(files.contains(QStringLiteral("clipboard_search.sqlite-shm"))) << files.join(' ').toStdString();
        for (const QString& name : files) {
            EXPECT_EQ(modeOf(data + QLatin1Char('/') + name), 0600u) << name.toStdString();
        }
    }
    ::umask(previous);
}
