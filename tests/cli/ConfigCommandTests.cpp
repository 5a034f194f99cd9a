// `quellpad config`: typed reads and writes of every setting, run in process.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include "settings/PreferenceCatalog.h"
#include "support/CliHarness.h"

namespace quellpad {
namespace {

class ConfigCommandTest : public ::testing::Test {
protected:
    test::CliHarness cli;

    QString get(const QString& key) const {
        const test::CliResult result = cli.run({QStringLiteral("config"), QStringLiteral("get"), key});
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        return QString::fromUtf8(result.out).trimmed();
    }
    int set(const QString& key, const QString& value) const {
        return cli.run({QStringLiteral("config"), QStringLiteral("set"), key, value}).exitCode;
    }
};

TEST_F(ConfigCommandTest, ListsEveryKeyWithItsTypeAndValue) {
    ASSERT_EQ(set(QStringLiteral("ClipboardMonitorMaxItemSizeInMB"), QStringLiteral("25")), 0);
    const test::CliResult result = cli.run({QStringLiteral("config"), QStringLiteral("list"), QStringLiteral("--json")});
    ASSERT_EQ(result.exitCode, 0);
    const auto lines = result.jsonLines();
    ASSERT_EQ(lines.size(), preferenceCatalog().size());
    for (const QJsonObject& line : lines) {
        const QString key = line.value(QStringLiteral("key")).toString();
        ASSERT_TRUE(preferenceDescriptor(key)) << key.toStdString();
        EXPECT_EQ(line.value(QStringLiteral("type")).toString(), preferenceTypeName(preferenceDescriptor(key)->type));
        if (key == QStringLiteral("ClipboardMonitorMaxItemSizeInMB")) {
            EXPECT_EQ(line.value(QStringLiteral("value")).toInteger(), 25);
        } else {
            EXPECT_TRUE(line.value(QStringLiteral("value")).isNull()) << key.toStdString();
        }
    }
}

TEST_F(ConfigCommandTest, EveryTypeRoundTripsThroughTheSettingsFile) {
    struct Case {
        const char* key;
        const char* value;
        const char* shown;
    };
    const Case cases[] = {
        {"DirectPasteReturnKeyAutoPasteEnabled", "true", "true"},
        {"ClipboardMonitorTextCaptureEnabled", "false", "false"},
        {"ClipboardMonitorMaxItemSizeInMB", "-3", "-3"},
        {"AppLanguage", "zh-Hans", "zh-Hans"},
        {"CustomDataDirectory", "/tmp/with space/ü", "/tmp/with space/ü"},
        {"ClipboardIgnoredAppBundleIdentifiers", R"(["org.keepassxc.KeePassXC","a b"])", R"(["org.keepassxc.KeePassXC","a b"])"},
        {"ClipboardPanelPosition", R"({"x":12.5,"y":40})", R"({"x":12.5,"y":40})"},
        {"ClipboardHistoryHotkey", R"({"keyCode":49,"modifierFlags":786432})", R"({"keyCode":49,"modifierFlags":786432})"},
        {"CustomDataDirectoryBookmark", "L2hvbWUvYQ==", "L2hvbWUvYQ=="},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(set(QString::fromUtf8(c.key), QString::fromUtf8(c.value)), 0) << c.key;
        EXPECT_EQ(get(QString::fromUtf8(c.key)), QString::fromUtf8(c.shown)) << c.key;
    }
    // A new process (the app's watcher reads the same file) sees the typed values.
    const test::CliResult spawned = cli.spawn({QStringLiteral("config"), QStringLiteral("get"),
                                               QStringLiteral("DirectPasteReturnKeyAutoPasteEnabled")});
    EXPECT_EQ(spawned.out.trimmed(), QByteArray("true"));

    EXPECT_EQ(cli.run({QStringLiteral("config"), QStringLiteral("unset"), QStringLiteral("AppLanguage")}).exitCode, 0);
    EXPECT_EQ(cli.run({QStringLiteral("config"), QStringLiteral("get"), QStringLiteral("AppLanguage")}).exitCode, 1);
}

TEST_F(ConfigCommandTest, WrongTypesAndUnknownKeysExitTwoAndWriteNothing) {
    ASSERT_EQ(set(QStringLiteral("ClipboardMonitorMaxItemSizeInMB"), QStringLiteral("10")), 0);
    struct Case {
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"ClipboardMonitorTextCaptureEnabled", "1"},
        {"ClipboardMonitorTextCaptureEnabled", "True"},
        {"ClipboardMonitorMaxItemSizeInMB", "10.5"},
        {"ClipboardMonitorMaxItemSizeInMB", "99999999999999999999"},
        {"ClipboardIgnoredAppBundleIdentifiers", "org.example"},
        {"ClipboardIgnoredAppBundleIdentifiers", "[1, 2]"},
        {"ClipboardPanelPosition", "[1]"},
        {"ClipboardPanelPosition", R"({"x": [1]})"},
        {"ClipboardHistoryHotkey", R"({"keyCode": "V"})"},
        {"ClipboardClassificationUserRules", "[{"},
        {"CustomDataDirectoryBookmark", "not base64!"},
        {"NoSuchKey", "1"},
    };
    for (const Case& c : cases) {
        const test::CliResult result =
            cli.run({QStringLiteral("config"), QStringLiteral("set"), QString::fromUtf8(c.key), QString::fromUtf8(c.value)});
        EXPECT_EQ(result.exitCode, 2) << c.key << " " << c.value;
        EXPECT_FALSE(result.err.isEmpty()) << c.key;
    }
    EXPECT_EQ(get(QStringLiteral("ClipboardMonitorMaxItemSizeInMB")), QStringLiteral("10"));
    EXPECT_FALSE(cli.run({QStringLiteral("config"), QStringLiteral("get"), QStringLiteral("ClipboardMonitorTextCaptureEnabled")})
                     .exitCode == 0);
    EXPECT_EQ(cli.run({QStringLiteral("config"), QStringLiteral("frobnicate")}).exitCode, 2);
    EXPECT_EQ(cli.run({QStringLiteral("config"), QStringLiteral("get")}).exitCode, 2);
    EXPECT_EQ(cli.run({QStringLiteral("config"), QStringLiteral("--help")}).exitCode, 0);
}

} // namespace
} // namespace quellpad
