#include <gtest/gtest.h>

#include "support/CliHarness.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using quellpad::test::CliResult;

class CliHistoryTest : public ::testing::Test {
protected:
    quellpad::test::CliHarness cli;

    QString dataPath() const { return cli.dataPath(); }

    // As a process: `add` reads its text from standard input.
    CliResult run(const QStringList& arguments, const QByteArray& input = {}) const { return cli.spawn(arguments, input); }

    QString add(const QByteArray& text, const QStringList& extra = {}) const {
        const CliResult result = run(QStringList{QStringLiteral("add")} + extra, text);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        return QString::fromUtf8(result.out).trimmed();
    }

    std::vector<QJsonObject> listJson(const QStringList& arguments) const {
        const CliResult result = run(arguments + QStringList{QStringLiteral("--json")});
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        std::vector<QJsonObject> objects;
        for (const QString& line : result.lines()) {
            objects.push_back(QJsonDocument::fromJson(line.toUtf8()).object());
        }
        return objects;
    }
};

QStringList idsOf(const std::vector<QJsonObject>& objects) {
    QStringList ids;
    for (const QJsonObject& object : objects) ids.push_back(object.value(QStringLiteral("id")).toString());
    return ids;
}

} // namespace

TEST_F(CliHistoryTest, AddListSearchShowAndRepeatedCopies) {
    const QString a = add("alpha text", {QStringLiteral("--app"), QStringLiteral("org.kde.kate"), QStringLiteral("--created"),
                                         QStringLiteral("2024-01-02T03:04:05.123Z")});
    const QString b = add("SELECT id FROM users", {QStringLiteral("--created"), QStringLiteral("1704200000")});
    ASSERT_EQ(a.size(), 36);

    std::vector<QJsonObject> listed = listJson({QStringLiteral("list")});
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(idsOf(listed), (QStringList{b, a}));
    const QJsonObject first = listed[1];
    EXPECT_EQ(first.value(QStringLiteral("createdAt")).toString(), QStringLiteral("2024-01-02T03:04:05.123Z"));
    EXPECT_EQ(first.value(QStringLiteral("bundleIdentifier")).toString(), QStringLiteral("org.kde.kate"));
    EXPECT_TRUE(first.value(QStringLiteral("lastAccessedAt")).isNull());
    EXPECT_TRUE(first.value(QStringLiteral("classification")).isNull());
    EXPECT_EQ(first.value(QStringLiteral("contentType")).toString(), QStringLiteral("text"));
    EXPECT_EQ(first.value(QStringLiteral("accessCount")).toInt(), 0);
    EXPECT_EQ(listed[0].value(QStringLiteral("classification")).toString(), QStringLiteral("SQL"));

    // Copying "alpha text" again replaces the old item and puts it on top.
    const QString again = add("alpha text");
    EXPECT_EQ(idsOf(listJson({QStringLiteral("list")})), (QStringList{again, b}));

    EXPECT_EQ(idsOf(listJson({QStringLiteral("search"), QStringLiteral("alpha")})), QStringList{again});
    EXPECT_EQ(idsOf(listJson({QStringLiteral("search"), QStringLiteral("type:sql")})), QStringList{b});
    EXPECT_EQ(idsOf(listJson({QStringLiteral("list"), QStringLiteral("--limit"), QStringLiteral("1"),
                              QStringLiteral("--offset"), QStringLiteral("1")})),
              QStringList{b});

    const CliResult shown = run({QStringLiteral("show"), b});
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_EQ(shown.out, QByteArray("SELECT id FROM users"));
    const CliResult plain = run({QStringLiteral("list")});
    EXPECT_TRUE(plain.lines().at(1).startsWith(b + QStringLiteral("  ")));
    EXPECT_TRUE(plain.lines().at(1).endsWith(QStringLiteral("  SQL  SELECT id FROM users")));
}

TEST_F(CliHistoryTest, ImagesRoundTripThroughShowOutput) {
    QImage image(48, 32, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const QString file = cli.home() + QStringLiteral("/in.png");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(png);
    out.close();

    const CliResult added = run({QStringLiteral("add"), QStringLiteral("--image"), file});
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    const QString id = QString::fromUtf8(added.out).trimmed();
    const std::vector<QJsonObject> listed = listJson({QStringLiteral("list")});
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].value(QStringLiteral("preview")).toString(), QStringLiteral("Image 48x32"));
    EXPECT_EQ(listed[0].value(QStringLiteral("contentType")).toString(), QStringLiteral("image"));

    const CliResult toTerminal = run({QStringLiteral("show"), id});
    EXPECT_EQ(toTerminal.exitCode, 1) << "image bytes are not written to standard output";
    const QString saved = cli.home() + QStringLiteral("/out.png");
    EXPECT_EQ(run({QStringLiteral("show"), id, QStringLiteral("--output"), saved}).exitCode, 0);
    QFile savedFile(saved);
    ASSERT_TRUE(savedFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(savedFile.readAll(), png);

    const CliResult notImage = run({QStringLiteral("add"), QStringLiteral("--image")}, "not an image");
    EXPECT_EQ(notImage.exitCode, 1);
}

TEST_F(CliHistoryTest, JsonLinesImportKeepsValidLinesAndReportsTheRest) {
    const QString file = cli.home() + QStringLiteral("/import.jsonl");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("{\"text\":\"first\",\"app\":\"org.gnome.Terminal\",\"createdAt\":\"2023-05-01T10:00:00Z\"}\n"
              "{broken\n"
              "\n"
              "{\"text\":42}\n"
              "{\"text\":\"second\",\"createdAt\":1683000000}\n"
              "{\"text\":\"   \"}\n"
              "{\"text\":\"third\",\"createdAt\":\"yesterday\"}\n");
    out.close();
    const CliResult result = run({QStringLiteral("add"), QStringLiteral("--jsonl"), file});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(result.out).trimmed(), QStringLiteral("Stored 2 items."));
    const QString errors = QString::fromUtf8(result.err);
    for (const char* line : {"Line 2 skipped", "Line 4 skipped", "Line 6 skipped", "Line 7 skipped"}) {
        EXPECT_TRUE(errors.contains(QLatin1String(line))) << line << "\n" << errors.toStdString();
    }
    EXPECT_FALSE(errors.contains(QStringLiteral("Line 3")));
    const std::vector<QJsonObject> listed = listJson({QStringLiteral("list")});
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].value(QStringLiteral("preview")).toString(), QStringLiteral("second"));
    EXPECT_EQ(listed[1].value(QStringLiteral("bundleIdentifier")).toString(), QStringLiteral("org.gnome.Terminal"));
    EXPECT_EQ(listed[1].value(QStringLiteral("createdAt")).toString(), QStringLiteral("2023-05-01T10:00:00.000Z"));
}

TEST_F(CliHistoryTest, BadInputIsRefusedWithoutStoringAnything) {
    struct Case {
        QStringList arguments;
        QByteArray input;
        int exitCode;
    };
    const std::vector<Case> cases{
        {{QStringLiteral("add")}, QByteArray("\xff\xfe bad", 6), 1},
        {{QStringLiteral("add")}, QByteArray(" \n\t "), 1},
        {{QStringLiteral("add"), QStringLiteral("--created"), QStringLiteral("not a time")}, "x", 2},
        {{QStringLiteral("add"), cli.home() + QStringLiteral("/missing.txt")}, {}, 1},
        {{QStringLiteral("show"), QStringLiteral("NO-SUCH-ID")}, {}, 1},
        {{QStringLiteral("delete"), QStringLiteral("NO-SUCH-ID")}, {}, 1},
        {{QStringLiteral("show")}, {}, 2},
        {{QStringLiteral("list"), QStringLiteral("--limit"), QStringLiteral("-3")}, {}, 2},
        {{QStringLiteral("clear")}, {}, 2},
    };
    for (const Case& c : cases) {
        const CliResult result = run(c.arguments, c.input);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.join(' ').toStdString() << result.err.toStdString();
        EXPECT_FALSE(result.err.isEmpty()) << c.arguments.join(' ').toStdString();
    }
    EXPECT_TRUE(listJson({QStringLiteral("list")}).empty());

    // Over the size limit (1 MB when set to 1).
    QDir().mkpath(cli.home() + QStringLiteral("/config/Quellpad"));
    QFile settings(cli.home() + QStringLiteral("/config/Quellpad/settings.json"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("{\"format\":1,\"values\":{\"ClipboardMonitorMaxItemSizeInMB\":{\"type\":\"integer\",\"value\":1}}}");
    settings.close();
    EXPECT_EQ(run({QStringLiteral("add")}, QByteArray(1048577, 'a')).exitCode, 1);
    EXPECT_EQ(run({QStringLiteral("add")}, QByteArray(1048576, 'a')).exitCode, 0);
}

TEST_F(CliHistoryTest, DeleteClearStatsAndRebuild) {
    const QString a = add("one");
    add("two");
    EXPECT_EQ(run({QStringLiteral("delete"), a}).exitCode, 0);
    EXPECT_EQ(listJson({QStringLiteral("list")}).size(), 1u);

    CliResult stats = run({QStringLiteral("stats"), QStringLiteral("--json")});
    QJsonObject object = QJsonDocument::fromJson(stats.out).object();
    EXPECT_EQ(object.value(QStringLiteral("textItems")).toInt(), 1);
    EXPECT_EQ(object.value(QStringLiteral("indexDocuments")).toInt(), 1);
    EXPECT_TRUE(object.value(QStringLiteral("lastRebuildAt")).isNull());

    const CliResult rebuilt = run({QStringLiteral("rebuild-index")});
    EXPECT_EQ(rebuilt.exitCode, 0) << rebuilt.err.toStdString();
    EXPECT_TRUE(rebuilt.err.contains("Indexed 1 items"));
    stats = run({QStringLiteral("stats"), QStringLiteral("--json")});
    EXPECT_FALSE(QJsonDocument::fromJson(stats.out).object().value(QStringLiteral("lastRebuildAt")).isNull());

    EXPECT_EQ(run({QStringLiteral("clear"), QStringLiteral("--yes")}).exitCode, 0);
    EXPECT_TRUE(listJson({QStringLiteral("list")}).empty());
    object = QJsonDocument::fromJson(run({QStringLiteral("stats"), QStringLiteral("--json")}).out).object();
    EXPECT_EQ(object.value(QStringLiteral("textItems")).toInt(), 0);
    EXPECT_EQ(object.value(QStringLiteral("indexDocuments")).toInt(), 0);
}

TEST_F(CliHistoryTest, DamagedIndexFallsBackToTheHistoryAndDamagedStoreFailsClearly) {
    add("findable words");
    QFile index(dataPath() + QStringLiteral("/clipboard_search.sqlite"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly | QIODevice::Truncate));
    index.write(QByteArray(8192, 'z'));
    index.close();
    QFile::remove(dataPath() + QStringLiteral("/clipboard_search.sqlite-wal"));
    QFile::remove(dataPath() + QStringLiteral("/clipboard_search.sqlite-shm"));

    // The damaged file is set aside and the index rebuilt from the history; the search
    // meanwhile answers from the index or, while it is rebuilt, from the history.
    const CliResult search = run({QStringLiteral("search"), QStringLiteral("findable")});
    EXPECT_EQ(search.exitCode, 0);
    EXPECT_EQ(search.lines().size(), 1);
    const QStringList aside = QDir(dataPath()).entryList({QStringLiteral("clipboard_search.sqlite.corrupt-*")}, QDir::Files);
    ASSERT_EQ(aside.size(), 1) << aside.join(' ').toStdString();
    EXPECT_EQ(quellpad::test::readFile(dataPath() + QLatin1Char('/') + aside[0]), QByteArray(8192, 'z'));
    const QJsonObject stats = QJsonDocument::fromJson(run({QStringLiteral("stats"), QStringLiteral("--json")}).out).object();
    EXPECT_EQ(stats.value(QStringLiteral("indexDocuments")).toInt(), 1);
    EXPECT_EQ(run({QStringLiteral("search"), QStringLiteral("findable")}).lines().size(), 1);

    QFile store(dataPath() + QStringLiteral("/clipboard_history.sqlite"));
    QFile::remove(dataPath() + QStringLiteral("/clipboard_history.sqlite-wal"));
    QFile::remove(dataPath() + QStringLiteral("/clipboard_history.sqlite-shm"));
    ASSERT_TRUE(store.open(QIODevice::WriteOnly | QIODevice::Truncate));
    store.write(QByteArray(8192, 'q'));
    store.close();
    const CliResult broken = run({QStringLiteral("list")});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(broken.err.contains("The history could not be opened")) << broken.err.toStdString();
    QFile check(dataPath() + QStringLiteral("/clipboard_history.sqlite"));
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray(8192, 'q')) << "a damaged store is left as it was";
}
