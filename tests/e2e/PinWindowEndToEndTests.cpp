// The pin and recognised-text windows of the real app on the test desktop: opened
// from the panel with its keys and actions menu, typed into with xdotool, read and
// pressed through the accessibility bus, the clipboard read with xclip.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include "support/AppProcess.h"
#include "support/GtkEntryWindow.h"
#include "support/OcrTestImages.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

struct Accessible {
    QString role;
    QString name;
    QString text;
    QStringList states;
};

class PinWindowEndToEndTest : public ::testing::Test {
protected:
    test::CliHarness cli;
    test::AppProcess app{cli};

    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty() || !test::canRunGtkEntryWindow()) {
            GTEST_SKIP() << "needs an X display, xdotool, xclip and python3-gi (scripts/test.sh provides them)";
        }
        cli.setEnvironment("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    }
    void add(const QStringList& arguments, const QByteArray& input = {}) {
        const test::CliResult added = cli.spawn(QStringList{QStringLiteral("add")} + arguments, input);
        ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    }
    static void key(const QString& keys) {
        test::runTool(QStringLiteral("xdotool"),
                      QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40")} +
                          keys.split(QLatin1Char(' ')));
    }
    static void type(const QString& text) {
        test::runTool(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text});
    }
    static QString activeWindowName() {
        return test::runTool(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")});
    }
    static bool activeWindowBecomes(const QString& name) {
        return test::pollUntil([&] { return activeWindowName() == name; });
    }
    static std::vector<Accessible> accessibles() {
        const QString json = test::runTool(QStringLiteral("/usr/bin/python3"),
                                           {QStringLiteral(QUELLPAD_TEST_SUPPORT_SOURCE_DIR "/atspi_tree.py"),
                                            QStringLiteral("quellpad")});
        std::vector<Accessible> result;
        for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8()).array()) {
            const QJsonObject object = value.toObject();
            QStringList states;
            for (const QJsonValue& state : object.value(QStringLiteral("states")).toArray()) states << state.toString();
            result.push_back({object.value(QStringLiteral("role")).toString(),
                              object.value(QStringLiteral("name")).toString(),
                              object.value(QStringLiteral("text")).toString(), states});
        }
        return result;
    }
    static std::optional<Accessible> find(const QString& role, const QString& name) {
        for (const Accessible& accessible : accessibles()) {
            if (accessible.role == role && accessible.name == name) return accessible;
        }
        return std::nullopt;
    }
    // Activates a control as a screen reader does.
    static bool press(const QString& role, const QString& name) {
        return test::pollUntil([&] {
            return test::runTool(QStringLiteral("/usr/bin/python3"),
                                 {QStringLiteral(QUELLPAD_TEST_SUPPORT_SOURCE_DIR "/atspi_tree.py"),
                                  QStringLiteral("quellpad"), QStringLiteral("--press"), role, name})
                       .trimmed() == QStringLiteral("true");
        });
    }
    // What the bus shows, for failure messages.
    static QString describe() {
        QStringList lines;
        for (const Accessible& accessible : accessibles()) lines << accessible.role + QStringLiteral(": ") + accessible.name;
        return lines.join(QLatin1Char('\n'));
    }
    static QString clipboardText() {
        return test::runTool(QStringLiteral("xclip"),
                             {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    }
    void openPanel() {
        key(QStringLiteral("super+shift+v"));
        ASSERT_TRUE(app.waitForStatus([](const QJsonObject& status) {
            return status.value(QStringLiteral("panelVisible")).toBool();
        })) << app.output().toStdString();
        ASSERT_TRUE(activeWindowBecomes(QStringLiteral("Clipboard History"))) << "the panel never got the focus";
    }
};

TEST_F(PinWindowEndToEndTest, APinnedItemIsEditedCopiedAndAsksBeforeClosing) {
    add({}, QByteArray("SELECT name FROM users"));
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    openPanel();
    ASSERT_TRUE(test::pollUntil([] { return find(QStringLiteral("list item"), QStringLiteral("SELECT name FROM users")).has_value(); }))
        << describe().toStdString();
    key(QStringLiteral("ctrl+shift+p"));
    ASSERT_TRUE(activeWindowBecomes(QStringLiteral("Floating Window"))) << activeWindowName().toStdString();
    ASSERT_TRUE(test::pollUntil([] {
        const std::optional<Accessible> text = find(QStringLiteral("text"), QStringLiteral("Pinned text"));
        return text && text->text == QStringLiteral("SELECT name FROM users");
    })) << app.output().toStdString();
    test::saveScreenshot(QStringLiteral("e2e-pin-window-en"));

    key(QStringLiteral("ctrl+End"));
    type(QStringLiteral(" WHERE id = 7"));
    ASSERT_TRUE(test::pollUntil([] {
        const std::optional<Accessible> text = find(QStringLiteral("text"), QStringLiteral("Pinned text"));
        return text && text->text == QStringLiteral("SELECT name FROM users WHERE id = 7");
    }));
    ASSERT_TRUE(press(QStringLiteral("push button"), QStringLiteral("Copy")));
    EXPECT_TRUE(test::pollUntil([] { return clipboardText() == QStringLiteral("SELECT name FROM users WHERE id = 7"); }))
        << clipboardText().toStdString();

    // The window follows the interface language at once.
    ASSERT_EQ(cli.run({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("AppLanguage"),
                       QStringLiteral("zh-Hans")})
                  .exitCode,
              0);
    ASSERT_TRUE(test::pollUntil([] { return find(QStringLiteral("push button"), QStringLiteral("复制")).has_value(); }));
    EXPECT_TRUE(test::pollUntil([] { return activeWindowName() == QStringLiteral("悬浮窗口"); }));
    test::saveScreenshot(QStringLiteral("e2e-pin-window-zh"));
    ASSERT_EQ(cli.run({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("AppLanguage"), QStringLiteral("en")})
                  .exitCode,
              0);
    ASSERT_TRUE(test::pollUntil([] { return find(QStringLiteral("push button"), QStringLiteral("Copy")).has_value(); }));

    key(QStringLiteral("Escape"));
    ASSERT_TRUE(test::pollUntil([] { return find(QStringLiteral("push button"), QStringLiteral("Don't Save")).has_value(); }))
        << app.output().toStdString();
    EXPECT_TRUE(find(QStringLiteral("label"), QStringLiteral("Save Changes?")).has_value() ||
                find(QStringLiteral("dialog"), QStringLiteral("Save Changes?")).has_value() ||
                find(QStringLiteral("alert"), QStringLiteral("Save Changes?")).has_value());
    test::saveScreenshot(QStringLiteral("e2e-pin-window-close-prompt"));
    ASSERT_TRUE(press(QStringLiteral("push button"), QStringLiteral("Don't Save")));
    EXPECT_TRUE(test::pollUntil([] { return !find(QStringLiteral("push button"), QStringLiteral("Copy")).has_value(); }));
}

TEST_F(PinWindowEndToEndTest, TheActionsMenuOpensTheRecognizedTextOfAnImage) {
    const QString path = cli.home() + QStringLiteral("/invoice.png");
    ASSERT_TRUE(test::renderedText({QStringLiteral("Invoice number 4711")}, QStringLiteral("DejaVu Sans"), 28,
                                   QSize(700, 140))
                    .save(path));
    add({QStringLiteral("--image"), path});
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    openPanel();
    ASSERT_TRUE(test::pollUntil([] { return find(QStringLiteral("list item"), QStringLiteral("invoice number 4711")).has_value(); }))
        << describe().toStdString();
    key(QStringLiteral("ctrl+k"));
    // Qt's popup menus are not on the accessibility bus: the keys reach the entry above
    // Delete, the last one.
    ASSERT_TRUE(test::pollUntil([] {
        return test::runTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                         QStringLiteral("--class"), QStringLiteral("quellpad")})
                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                   .size() >= 2;
    }));
    key(QStringLiteral("Up Up Return"));
    ASSERT_TRUE(activeWindowBecomes(QStringLiteral("Recognized Text"))) << activeWindowName().toStdString();
    ASSERT_TRUE(test::pollUntil(
        [] {
            const std::optional<Accessible> text = find(QStringLiteral("text"), QStringLiteral("Recognized text"));
            return text && text->text.contains(QStringLiteral("4711"));
        },
        30000))
        << app.output().toStdString();
    // Tesseract runs again on the window's own worker, and the button comes back.
    ASSERT_TRUE(press(QStringLiteral("push button"), QStringLiteral("Recognize Again")));
    ASSERT_TRUE(app.waitForOutput("[OCRWindow] Recognized ", 30000)) << app.output().toStdString();
    ASSERT_TRUE(test::pollUntil(
        [] {
            const std::optional<Accessible> again = find(QStringLiteral("push button"), QStringLiteral("Recognize Again"));
            const std::optional<Accessible> text = find(QStringLiteral("text"), QStringLiteral("Recognized text"));
            return again && again->states.contains(QStringLiteral("sensitive")) && text &&
                   text->text.contains(QStringLiteral("4711"));
        },
        30000))
        << describe().toStdString();
    test::saveScreenshot(QStringLiteral("e2e-ocr-window-en"));
    ASSERT_TRUE(press(QStringLiteral("push button"), QStringLiteral("Copy")));
    EXPECT_TRUE(test::pollUntil([] { return clipboardText().contains(QStringLiteral("Invoice number 4711")); }))
        << clipboardText().toStdString();
    ASSERT_EQ(cli.run({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("AppLanguage"),
                       QStringLiteral("zh-Hans")})
                  .exitCode,
              0);
    EXPECT_TRUE(test::pollUntil([] { return find(QStringLiteral("push button"), QStringLiteral("重新识别")).has_value(); }));
    test::saveScreenshot(QStringLiteral("e2e-ocr-window-zh"));
}

} // namespace
} // namespace quellpad
