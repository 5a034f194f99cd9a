// What the command line promises about the user's data: private files, failures that
// are reported as failures, and a search index that never hides or loses items after
// a crash or next to other writers.
#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>

#include "Core/Utilities/NotificationCenter.h"
#include "Core/Utilities/SQLiteDatabase.h"
#include "app/ClipboardServiceBuilder.h"
#include "capture/ClipboardCaptureRecorder.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/DataDirectoryManager.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "search/SQLiteClipboardSearchIndexStore.h"

using namespace quellpad;

namespace {

constexpr int nobody = 65534;
constexpr int otherUser = 65533;

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

unsigned modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 0777) : 0xffff;
}

class CliDataSafetyTest : public ::testing::Test {
protected:
    QTemporaryDir base;

    void SetUp() override {
        // Other users must reach the files below to show what they can and cannot do.
        ::chmod(QFile::encodeName(base.path()).constData(), 0777);
    }

    QString dataPath() const { return base.path() + QStringLiteral("/nested/data"); }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), base.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), base.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), base.path());
        env.insert(QStringLiteral("QUELLPAD_STORAGE_DIRECTORY"), dataPath());
        env.remove(QStringLiteral("QUELLPAD_VERBOSE"));
        return env;
    }

    // Runs the CLI with umask 022, as root or (uid > 0) as that unprivileged user.
    CliResult run(const QStringList& arguments, const QByteArray& input = {}, int uid = 0) const {
        QStringList command;
        if (uid > 0) {
            command << QStringLiteral("setpriv") << QStringLiteral("--reuid=%1").arg(uid)
                    << QStringLiteral("--regid=%1").arg(uid) << QStringLiteral("--clear-groups");
        }
        command << QStringLiteral("sh") << QStringLiteral("-c") << QStringLiteral("umask 022; exec \"$0\" \"$@\"")
                << QStringLiteral(QUELLPAD_CLI_PATH);
        const QString program = command.takeFirst();
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, command + arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(120000);
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }

    QJsonObject stats() const {
        return QJsonDocument::fromJson(run({QStringLiteral("stats"), QStringLiteral("--json")}).out).object();
    }

    QString writeJsonLines(const QString& name, int count, const QString& prefix) const {
        const QString path = base.path() + QLatin1Char('/') + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < count; ++i) {
            file.write(QStringLiteral("{\"text\":\"%1 %2 %3\"}\n").arg(prefix).arg(i).arg(QString(i % 40, QLatin1Char('y'))).toUtf8());
        }
        file.close();
        ::chmod(QFile::encodeName(path).constData(), 0644);
        return path;
    }

    // Ids of the history and of the index, each sorted.
    std::pair<QStringList, QStringList> storedIds() const {
        auto ids = [](const QString& path, const char* sql) {
            SQLiteDatabase database(path, SQLiteDatabase::Mode::readOnly);
            SQLiteStatement query(database, sql);
            QStringList result;
            while (query.step()) result.push_back(query.text(0));
            result.sort();
            return result;
        };
        return {ids(dataPath() + QStringLiteral("/clipboard_history.sqlite"), "SELECT id FROM history_index"),
                ids(dataPath() + QStringLiteral("/clipboard_search.sqlite"), "SELECT item_id FROM documents")};
    }
};

} // namespace

TEST_F(CliDataSafetyTest, StorageIsOwnerOnlyUnderUmask022AndHiddenFromOtherUsers) {
    const CliResult added = run({QStringLiteral("add")}, "my bank password", nobody);
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    EXPECT_EQ(modeOf(base.path() + QStringLiteral("/nested")), 0700u);
    EXPECT_EQ(modeOf(dataPath()), 0700u);
    for (const QString& name : QDir(dataPath()).entryList(QDir::Files | QDir::Hidden)) {
        EXPECT_EQ(modeOf(dataPath() + QLatin1Char('/') + name), 0600u) << name.toStdString();
    }
    EXPECT_EQ(modeOf(dataPath() + QStringLiteral("/clipboard_history.sqlite")), 0600u);
    EXPECT_EQ(modeOf(dataPath() + QStringLiteral("/clipboard_search.sqlite")), 0600u);

    // Another user can neither read the files nor list the history.
    QProcess cat;
    cat.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=%1").arg(otherUser), QStringLiteral("--regid=%1").arg(otherUser),
                                          QStringLiteral("--clear-groups"), QStringLiteral("cat"),
                                          dataPath() + QStringLiteral("/clipboard_history.sqlite")});
    cat.waitForFinished(10000);
    EXPECT_NE(cat.exitCode(), 0);
    EXPECT_FALSE(cat.readAllStandardOutput().contains("bank"));
    const CliResult listed = run({QStringLiteral("list")}, {}, otherUser);
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_FALSE(listed.out.contains("bank"));
}

TEST_F(CliDataSafetyTest, WritesThatStoreNothingAreReportedAsFailures) {
    const CliResult first = run({QStringLiteral("add")}, "first", nobody);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QString id = QString::fromUtf8(first.out).trimmed();
    for (const QString& name : QDir(dataPath()).entryList({QStringLiteral("clipboard_history.sqlite*")}, QDir::Files)) {
        ::chmod(QFile::encodeName(dataPath() + QLatin1Char('/') + name).constData(), 0400);
    }
    const CliResult add = run({QStringLiteral("add")}, "second", nobody);
    EXPECT_EQ(add.exitCode, 1);
    EXPECT_TRUE(add.out.isEmpty()) << "no id for an item that was not stored";
    EXPECT_FALSE(add.err.isEmpty());
    const CliResult import = run({QStringLiteral("add"), QStringLiteral("--jsonl"), writeJsonLines(QStringLiteral("two.jsonl"), 2, QStringLiteral("line"))}, {}, nobody);
    EXPECT_EQ(import.exitCode, 1);
    EXPECT_TRUE(import.out.contains("Stored 0 items.")) << import.out.toStdString();
    EXPECT_EQ(run({QStringLiteral("delete"), id}, {}, nobody).exitCode, 1);
    EXPECT_EQ(run({QStringLiteral("clear"), QStringLiteral("--yes")}, {}, nobody).exitCode, 1);
    EXPECT_TRUE(run({QStringLiteral("list")}, {}, nobody).out.contains("first"));

    // The settings folder belongs to root: the ignore list cannot be saved.
    QDir().mkpath(base.path() + QStringLiteral("/config/Quellpad"));
    const CliResult ignore = run({QStringLiteral("ignore"), QStringLiteral("add"), QStringLiteral("org.example.Vault")}, {}, nobody);
    EXPECT_EQ(ignore.exitCode, 1);
    EXPECT_FALSE(ignore.out.contains("org.example.Vault")) << ignore.out.toStdString();
}

TEST_F(CliDataSafetyTest, CaptureTimesOutsideAnyPlausibleRangeAreRefused) {
    for (const char* time : {"1e12", "-1", "-1e12", "4102444800000", "2200-01-01T00:00:00Z", "1969-12-31T23:59:59Z"}) {
        EXPECT_EQ(run({QStringLiteral("add"), QStringLiteral("--created"), QString::fromLatin1(time)}, "x").exitCode, 2) << time;
    }
    EXPECT_EQ(run({QStringLiteral("add"), QStringLiteral("--created"), QStringLiteral("0")}, "epoch").exitCode, 0);
    const QString file = base.path() + QStringLiteral("/far.jsonl");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("{\"text\":\"future\",\"createdAt\":1e12}\n{\"text\":\"fine\",\"createdAt\":1700000000}\n");
    out.close();
    const CliResult import = run({QStringLiteral("add"), QStringLiteral("--jsonl"), file});
    EXPECT_TRUE(import.out.contains("Stored 1 items.")) << import.out.toStdString();
}

TEST_F(CliDataSafetyTest, FallbackListingHonoursLimitAndOffset) {
    for (int i = 0; i < 7; ++i) {
        ASSERT_EQ(run({QStringLiteral("add"), QStringLiteral("--created"), QString::number(1700000000 + i)},
                      QStringLiteral("item %1").arg(i).toUtf8()).exitCode, 0);
    }
    // An index that cannot be opened at all (a damaged file would be set aside and rebuilt).
    const QString index = dataPath() + QStringLiteral("/clipboard_search.sqlite");
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        QFile::remove(index + suffix);
    }
    ASSERT_TRUE(QDir().mkpath(index));
    auto lines = [&](const QStringList& arguments) {
        const CliResult result = run(arguments);
        EXPECT_TRUE(result.err.contains("searching the history directly")) << result.err.toStdString();
        return QString::fromUtf8(result.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    const QStringList two = lines({QStringLiteral("list"), QStringLiteral("--limit"), QStringLiteral("2")});
    ASSERT_EQ(two.size(), 2);
    EXPECT_TRUE(two[0].contains("item 6"));
    const QStringList page = lines({QStringLiteral("list"), QStringLiteral("--limit"), QStringLiteral("3"),
                                    QStringLiteral("--offset"), QStringLiteral("2")});
    ASSERT_EQ(page.size(), 3);
    EXPECT_TRUE(page[0].contains("item 4"));
    EXPECT_TRUE(page[2].contains("item 2"));
    EXPECT_EQ(lines({QStringLiteral("search"), QStringLiteral("item"), QStringLiteral("--limit"), QStringLiteral("4")}).size(), 4);
    EXPECT_EQ(lines({QStringLiteral("list"), QStringLiteral("--offset"), QStringLiteral("5")}).size(), 2);
}

TEST_F(CliDataSafetyTest, ABusyAppIsNotReportedAsNotRunning) {
    const CliResult absent = run({QStringLiteral("status")});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_TRUE(absent.err.contains("is not running")) << absent.err.toStdString();

    // This process plays an app that holds the instance lock and never answers.
    QLockFile lock(base.path() + QStringLiteral("/quellpad.lock"));
    ASSERT_TRUE(lock.tryLock(0));
    QLocalServer server;
    ASSERT_TRUE(server.listen(base.path() + QStringLiteral("/quellpad.socket")));
    const CliResult busy = run({QStringLiteral("pause")});
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_TRUE(busy.err.contains("did not answer in time")) << busy.err.toStdString();
}

// SIGKILL at random moments of an import, then the next command: history and index
// must hold the same items without a rebuild.
TEST_F(CliDataSafetyTest, KilledImportsAreReconciledAtTheNextStart) {
    const QString file = writeJsonLines(QStringLiteral("burst.jsonl"), 6000, QStringLiteral("burst"));
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 4; ++attempt) {
        QProcess importer;
        importer.setProcessEnvironment(environment());
        importer.start(QStringLiteral(QUELLPAD_CLI_PATH), {QStringLiteral("add"), QStringLiteral("--jsonl"), file});
        ASSERT_TRUE(importer.waitForStarted(5000));
        importer.waitForFinished(std::uniform_int_distribution<int>(150, 1500)(random));
        importer.kill();
        importer.waitForFinished(5000);

        const QJsonObject first = stats(); // reconciles before it exits
        ASSERT_FALSE(first.value(QStringLiteral("indexLag")).isNull());
        const QJsonObject after = stats();
        const QJsonObject lag = after.value(QStringLiteral("indexLag")).toObject();
        EXPECT_EQ(lag.value(QStringLiteral("missing")).toInteger(), 0) << attempt;
        EXPECT_EQ(lag.value(QStringLiteral("orphaned")).toInteger(), 0) << attempt;
        const auto [history, index] = storedIds();
        EXPECT_TRUE(history == index) << "attempt " << attempt << ": " << history.size() << " items, " << index.size()
                                      << " documents";
    }
}

// Copying a text that is already stored while the process dies at any moment leaves
// exactly one copy of it. The kill comes at a random moment, or at once when a reader
// sees no copy at all (the moment that loses the text for good).
TEST_F(CliDataSafetyTest, KilledRepeatedCopyNeverLosesTheText) {
    QByteArray text;
    for (int i = 0; text.size() < 6 * 1024 * 1024; ++i) {
        text += "{\"keepsake\": " + QByteArray::number(i) + ", \"mail\": \"someone" + QByteArray::number(i) +
                "@example.com\", \"nested\": {\"a\": [1, 2, {\"b\": null}]}}\n";
    }
    ASSERT_EQ(run({QStringLiteral("add")}, text).exitCode, 0);
    const QString store = dataPath() + QStringLiteral("/clipboard_history.sqlite");
    auto copies = [&] {
        SQLiteDatabase database(store, SQLiteDatabase::Mode::readOnly);
        SQLiteStatement count(database, "SELECT COUNT(*) FROM history_index WHERE preview LIKE '{\"keepsake\": 0,%'");
        return count.step() ? count.int64(0) : -1;
    };
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 6; ++attempt) {
        QProcess adder;
        adder.setProcessEnvironment(environment());
        adder.start(QStringLiteral(QUELLPAD_CLI_PATH), {QStringLiteral("add")});
        ASSERT_TRUE(adder.waitForStarted(5000));
        adder.write(text);
        adder.closeWriteChannel();
        QElapsedTimer elapsed;
        elapsed.start();
        const int killAfterMs = std::uniform_int_distribution<int>(20, 1500)(random);
        while (elapsed.elapsed() < killAfterMs && !adder.waitForFinished(2) && copies() > 0) {
        }
        adder.kill();
        adder.waitForFinished(5000);
        EXPECT_EQ(copies(), 1) << "attempt " << attempt << ", killed after " << elapsed.elapsed() << " ms";
    }
}

// Two command-line writers, a rebuild and the app's capture path (in this process) at
// once: every item stored ends up in the index, and nothing else does.
TEST_F(CliDataSafetyTest, ConcurrentWritersKeepHistoryAndIndexInStep) {
    ASSERT_EQ(run({QStringLiteral("add")}, "seed").exitCode, 0);
    const QString a = writeJsonLines(QStringLiteral("a.jsonl"), 400, QStringLiteral("writer a"));
    const QString b = writeJsonLines(QStringLiteral("b.jsonl"), 400, QStringLiteral("writer b"));
    std::vector<std::unique_ptr<QProcess>> processes;
    auto start = [&](const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment());
        process->start(QStringLiteral(QUELLPAD_CLI_PATH), arguments);
        EXPECT_TRUE(process->waitForStarted(5000));
        processes.push_back(std::move(process));
    };
    start({QStringLiteral("add"), QStringLiteral("--jsonl"), a});
    start({QStringLiteral("add"), QStringLiteral("--jsonl"), b});
    {
        // The app's side: its services as the composition root builds them, fed by capture.
        InMemoryDefaultsStore defaults;
        NotificationCenter notifications;
        DataDirectoryManager::Environment locations;
        locations.variable = [path = dataPath()](const QString& name) {
            return name == DataDirectoryManager::storageDirectoryOverrideEnvironmentKey ? path : QString();
        };
        DataDirectoryManager dataDirectory(defaults, locations);
        auto index = ClipboardServiceBuilder::openSearchIndexStore(dataDirectory, defaults);
        auto repository = ClipboardServiceBuilder::openRepository(dataDirectory, index, defaults, notifications,
                                                                  std::make_shared<SystemClock>());
        ASSERT_TRUE(index && repository);
        ClipboardCaptureRecorder recorder({repository, nullptr, nullptr, nullptr});
        for (int i = 0; i < 40; ++i) {
            const auto result =
                recorder.recordText({QStringLiteral("app copy %1").arg(i), std::nullopt, std::nullopt}, std::nullopt);
            ASSERT_TRUE(result);
            EXPECT_FALSE(result->error) << result->error->toStdString();
            if (i == 10) {
                start({QStringLiteral("rebuild-index")});
            }
        }
        for (auto& process : processes) {
            ASSERT_TRUE(process->waitForFinished(240000));
            EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
        }
        EXPECT_TRUE(repository->waitForIndexSync());
    }
    const auto [history, index] = storedIds();
    EXPECT_EQ(history.size(), 841);
    EXPECT_TRUE(history == index) << history.size() << " items, " << index.size() << " documents";
}
