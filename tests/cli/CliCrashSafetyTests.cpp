#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "Core/Utilities/SQLiteDatabase.h"

using namespace quellpad;

// A process killed in the middle of a burst of inserts must leave whole items only,
// and a rebuild must bring the index back in line with the history.
TEST(CliCrashSafety, KilledImportLeavesWholeItemsAndARebuildableIndex) {
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("QUELLPAD_STORAGE_DIRECTORY"), home.path() + QStringLiteral("/data"));
    auto run = [&](const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QUELLPAD_CLI_PATH), arguments);
        process.waitForFinished(60000);
        return std::make_pair(process.exitCode(), process.readAllStandardOutput());
    };

    const QString file = home.path() + QStringLiteral("/burst.jsonl");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    for (int i = 0; i < 20000; ++i) {
        out.write(QStringLiteral("{\"text\":\"burst item %1 %2\"}\n").arg(i).arg(QString(i % 50, QLatin1Char('x'))).toUtf8());
    }
    out.close();

    for (int attempt = 0; attempt < 3; ++attempt) {
        QProcess importer;
        importer.setProcessEnvironment(env);
        importer.start(QStringLiteral(QUELLPAD_CLI_PATH), {QStringLiteral("add"), QStringLiteral("--jsonl"), file});
        ASSERT_TRUE(importer.waitForStarted(5000));
        QThread::msleep(400 + 300 * attempt);
        importer.kill();
        importer.waitForFinished(5000);

        SQLiteDatabase database(home.path() + QStringLiteral("/data/clipboard_history.sqlite"));
        SQLiteStatement orphans(database,
                                "SELECT (SELECT COUNT(*) FROM history_index h WHERE NOT EXISTS "
                                "(SELECT 1 FROM history_content c WHERE c.id = h.id)), "
                                "(SELECT COUNT(*) FROM history_content c WHERE NOT EXISTS "
                                "(SELECT 1 FROM history_index h WHERE h.id = c.id)), "
                                "(SELECT COUNT(*) FROM history_index)");
        ASSERT_TRUE(orphans.step());
        EXPECT_EQ(orphans.int64(0), 0) << "headers without bodies";
        EXPECT_EQ(orphans.int64(1), 0) << "bodies without headers";
        const qint64 items = orphans.int64(2);
        SQLiteStatement check(database, "PRAGMA integrity_check");
        ASSERT_TRUE(check.step());
        EXPECT_EQ(check.text(0), QStringLiteral("ok"));

        EXPECT_EQ(run({QStringLiteral("rebuild-index")}).first, 0);
        const auto stats = run({QStringLiteral("stats"), QStringLiteral("--json")});
        const QJsonObject object = QJsonDocument::fromJson(stats.second).object();
        EXPECT_EQ(object.value(QStringLiteral("textItems")).toInteger(), items);
        EXPECT_EQ(object.value(QStringLiteral("indexDocuments")).toInteger(), items);
    }
}
