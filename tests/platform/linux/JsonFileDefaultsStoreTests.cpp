#include <gtest/gtest.h>

#include <fcntl.h>
#include <future>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/linux/JsonFileDefaultsStore.h"
#include "support/TestSupport.h"

using namespace quellpad;

namespace {

QVariantMap everyType() {
    return {
        {QStringLiteral("bool"), true},
        {QStringLiteral("int"), qint64(9223372036854775807LL)},
        {QStringLiteral("double"), 0.1},
        {QStringLiteral("string"), QStringLiteral("1")},
        {QStringLiteral("unicode"), QStringLiteral("中文 \U0001F600 \u202Eevil")},
        {QStringLiteral("array"), QStringList{QStringLiteral("a"), QString()}},
        {QStringLiteral("dict"), QVariantMap{{QStringLiteral("x"), 1.5}, {QStringLiteral("n"), QVariantMap{{QStringLiteral("b"), false}}}}},
        {QStringLiteral("bytes"), QByteArray("\0\xff\x01", 3)},
    };
}

} // namespace

class JsonFileDefaultsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir directory;
    QString path() const { return directory.path() + QStringLiteral("/Quellpad/settings.json"); }
};

TEST_F(JsonFileDefaultsStoreTest, EveryValueTypeSurvivesAReopenWithItsType) {
    {
        JsonFileDefaultsStore store(path());
        const QVariantMap values = everyType();
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            store.set(it.key(), it.value());
        }
    }
    JsonFileDefaultsStore reopened(path());
    const QVariantMap expected = everyType();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QVariant stored = reopened.object(it.key());
        EXPECT_EQ(stored.metaType(), it.value().metaType()) << it.key().toStdString();
        EXPECT_EQ(stored, it.value()) << it.key().toStdString();
    }
    EXPECT_EQ(reopened.boolValue(QStringLiteral("string")), std::nullopt) << "\"1\" stays a string";
    EXPECT_EQ(reopened.integerValue(QStringLiteral("double")), std::nullopt);
    EXPECT_EQ(QFile::permissions(path()) & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);
}

TEST_F(JsonFileDefaultsStoreTest, RemovalAndUnsupportedTypes) {
    JsonFileDefaultsStore store(path());
    store.set(QStringLiteral("k"), QStringLiteral("v"));
    store.remove(QStringLiteral("k"));
    EXPECT_FALSE(store.object(QStringLiteral("k")).isValid());
    test::LogCapture logs;
    store.set(QStringLiteral("when"), QDateTime::currentDateTime());
    EXPECT_FALSE(store.object(QStringLiteral("when")).isValid());
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("Defaults"), QStringLiteral("Refused to store")));
    EXPECT_FALSE(JsonFileDefaultsStore(path()).object(QStringLiteral("k")).isValid());
}

TEST_F(JsonFileDefaultsStoreTest, CorruptOrTruncatedFilesStartFromDefaultsAndAreKeptAside) {
    const std::vector<QByteArray> damaged{
        QByteArray("{\"format\":1,\"values\":{\"a\":{\"type\":\"bool\",\"val"), // truncated
        QByteArray("\x00\x01garbage", 9),
        QByteArray("{\"format\":1,\"values\":[]}"),
        QByteArray("[]"),
    };
    for (const QByteArray& bytes : damaged) {
        QDir().mkpath(QFileInfo(path()).absolutePath());
        ASSERT_TRUE(test::writeFile(path(), bytes));
        test::LogCapture logs;
        JsonFileDefaultsStore store(path());
        EXPECT_TRUE(store.dictionaryRepresentation().isEmpty());
        EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("Defaults"), QStringLiteral("Settings file")));
        const QStringList aside = QDir(QFileInfo(path()).absolutePath())
                                      .entryList({QStringLiteral("settings.json.corrupt-*")}, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(test::readFile(QFileInfo(path()).absolutePath() + QLatin1Char('/') + aside.first()), bytes);
        // The next write replaces the damaged file with a good one.
        store.set(QStringLiteral("b"), true);
        EXPECT_EQ(JsonFileDefaultsStore(path()).boolValue(QStringLiteral("b")), true);
        QFile::remove(QFileInfo(path()).absolutePath() + QLatin1Char('/') + aside.first());
    }
}

TEST_F(JsonFileDefaultsStoreTest, WritesFromTwoProcessesAreMergedNotLost) {
    JsonFileDefaultsStore app(path());
    JsonFileDefaultsStore cli(path()); // stands for a second process with its own copy
    app.set(QStringLiteral("fromApp"), true);
    cli.set(QStringLiteral("fromCli"), qint64(3));
    app.set(QStringLiteral("again"), QStringLiteral("x"));
    JsonFileDefaultsStore reader(path());
    EXPECT_EQ(reader.boolValue(QStringLiteral("fromApp")), true);
    EXPECT_EQ(reader.integerValue(QStringLiteral("fromCli")), 3);
    EXPECT_EQ(reader.stringValue(QStringLiteral("again")), QStringLiteral("x"));
}

TEST_F(JsonFileDefaultsStoreTest, ObserversHearLocalAndExternalChanges) {
    JsonFileDefaultsStore app(path());
    app.watchForExternalChanges();
    QSignalSpy spy(&app, &DefaultsStore::changed);
    app.set(QStringLiteral("local"), true);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.takeFirst().at(0).toString(), QStringLiteral("local"));
    app.set(QStringLiteral("local"), true); // same value: no notification
    EXPECT_EQ(spy.count(), 0);

    JsonFileDefaultsStore other(path());
    other.set(QStringLiteral("external"), QStringLiteral("v"));
    ASSERT_TRUE(test::processEventsUntil([&] { return spy.count() > 0; }));
    EXPECT_EQ(spy.takeFirst().at(0).toString(), QStringLiteral("external"));
    EXPECT_EQ(app.stringValue(QStringLiteral("external")), QStringLiteral("v"));
}

TEST_F(JsonFileDefaultsStoreTest, UnwritableDirectoryKeepsValuesInMemoryWithALoggedError) {
    const QString blocker = directory.path() + QStringLiteral("/file");
    ASSERT_TRUE(test::writeFile(blocker, "x"));
    JsonFileDefaultsStore store(blocker + QStringLiteral("/Quellpad/settings.json"));
    test::LogCapture logs;
    store.set(QStringLiteral("k"), true);
    EXPECT_EQ(store.boolValue(QStringLiteral("k")), true);
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("Defaults"), QStringLiteral("Failed to")));
    EXPECT_TRUE(store.lastWriteError()) << "the caller can tell the user the change was not saved";
}

TEST_F(JsonFileDefaultsStoreTest, OneBadEntryCostsOnlyThatEntry) {
    const QByteArray bytes =
        "{\"format\":1,\"values\":{"
        "\"ClipboardIgnoredAppBundleIdentifiers\":{\"type\":\"stringArray\",\"value\":[\"org.keepassxc.KeePassXC\"]},"
        "\"mistyped\":{\"type\":\"bool\",\"value\":\"yes\"},"
        "\"tooBig\":{\"type\":\"integer\",\"value\":9223372036854775808},"
        "\"largest\":{\"type\":\"integer\",\"value\":9223372036854775807},"
        "\"smallest\":{\"type\":\"integer\",\"value\":-9223372036854775808},"
        "\"badBytes\":{\"type\":\"bytes\",\"value\":\"!!!\"},"
        "\"untyped\":true,"
        "\"nested\":{\"type\":\"dictionary\",\"value\":{\"x\":{\"type\":\"integer\",\"value\":1.5}}}}}";
    QDir().mkpath(QFileInfo(path()).absolutePath());
    ASSERT_TRUE(test::writeFile(path(), bytes));
    test::LogCapture logs;
    JsonFileDefaultsStore store(path());
    EXPECT_EQ(store.dictionaryRepresentation().keys(),
              (QStringList{QStringLiteral("ClipboardIgnoredAppBundleIdentifiers"), QStringLiteral("largest"),
                           QStringLiteral("smallest")}));
    EXPECT_EQ(store.object(QStringLiteral("largest")), QVariant(qlonglong(9223372036854775807LL)));
    EXPECT_EQ(store.object(QStringLiteral("smallest")).toLongLong(), std::numeric_limits<qlonglong>::min());
    for (const char* key : {"mistyped", "tooBig", "badBytes", "untyped", "nested"}) {
        EXPECT_TRUE(logs.contains(LogLevel::warning, QStringLiteral("Defaults"),
                                  QStringLiteral("Ignoring setting ") + QLatin1String(key)))
            << key;
    }
    EXPECT_EQ(test::readFile(path()), bytes) << "nothing is written back on reading";
    EXPECT_TRUE(QDir(QFileInfo(path()).absolutePath()).entryList({QStringLiteral("*.corrupt-*")}).isEmpty());
}

TEST_F(JsonFileDefaultsStoreTest, OnlyRegularFilesOfSaneSizeAreRead) {
    const QString folder = QFileInfo(path()).absolutePath();
    QDir().mkpath(folder);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    test::LogCapture logs;
    auto opened = std::async(std::launch::async, [&] { return JsonFileDefaultsStore(path()).dictionaryRepresentation(); });
    if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "reading a FIFO blocked";
        // Give the blocked reader an end of file so the test can finish.
        ::close(::open(QFile::encodeName(path()).constData(), O_WRONLY | O_NONBLOCK));
    }
    EXPECT_TRUE(opened.get().isEmpty());
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("Defaults"), QStringLiteral("Settings file")));
    QFile::remove(path());

    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path()));
    EXPECT_TRUE(JsonFileDefaultsStore(path()).dictionaryRepresentation().isEmpty());
    QFile::remove(path());

    QFile huge(path());
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(JsonFileDefaultsStore::maximumFileBytes + 1));
    huge.close();
    test::LogCapture sizeLogs;
    EXPECT_TRUE(JsonFileDefaultsStore(path()).dictionaryRepresentation().isEmpty());
    EXPECT_TRUE(sizeLogs.contains(LogLevel::error, QStringLiteral("Defaults"), QStringLiteral("Settings file")));
}

TEST(InMemoryDefaultsStore, KeepsTypesAndNotifiesOnChange) {
    InMemoryDefaultsStore store;
    QSignalSpy spy(&store, &DefaultsStore::changed);
    store.set(QStringLiteral("n"), 5); // int is stored as a 64-bit integer
    EXPECT_EQ(store.integerValue(QStringLiteral("n")), 5);
    EXPECT_EQ(store.object(QStringLiteral("n")).metaType().id(), QMetaType::LongLong);
    store.set(QStringLiteral("n"), qint64(5));
    store.remove(QStringLiteral("missing"));
    EXPECT_EQ(spy.count(), 1);
}
