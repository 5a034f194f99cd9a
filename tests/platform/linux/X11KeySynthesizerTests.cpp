// The paste keystroke against a real GTK text entry on the test display.
#include <gtest/gtest.h>

#include "platform/linux/X11KeySynthesizer.h"
#include "support/GtkEntryWindow.h"
#include "support/TestSupport.h"
#include "support/X11TestSupport.h"

using namespace quellpad;

namespace {

// Holds keys down (xdotool keydown) until the scope ends, as a user still on the shortcut.
class HeldKeys {
public:
    explicit HeldKeys(QString keys) : keys_(std::move(keys)) {
        test::runTool(QStringLiteral("xdotool"), {QStringLiteral("keydown"), keys_}, &held_);
    }
    ~HeldKeys() { test::runTool(QStringLiteral("xdotool"), {QStringLiteral("keyup"), keys_}); }
    bool held() const { return held_; }

private:
    QString keys_;
    bool held_ = false;
};

} // namespace

TEST(X11KeySynthesizer, PastesTheClipboardIntoTheFocusedEntryEvenWhileModifiersAreHeld) {
    QUELLPAD_REQUIRE_X11();
    if (!test::canRunGtkEntryWindow()) {
        GTEST_SKIP() << "needs xdotool and python3-gi with GTK 3";
    }
    QString error;
    auto synthesizer = X11KeySynthesizer::open(&error);
    ASSERT_NE(synthesizer, nullptr) << error.toStdString();
    ASSERT_TRUE(synthesizer->hasXTest());

    test::GtkEntryWindow entry(QStringLiteral("Quellpad paste target"));
    ASSERT_TRUE(entry.start(&error)) << error.toStdString();

    const QString first = QStringLiteral("Grüße, 世界 ");
    ASSERT_TRUE(test::xclipCopy(first.toUtf8()));
    ASSERT_TRUE(synthesizer->postPasteKeystroke(PasteKeystroke::controlV));
    ASSERT_TRUE(entry.waitForText(first)) << entry.text().toStdString();

    // The entry ignores Ctrl+Shift+V and Ctrl+Super+V: only a release of the held
    // modifiers makes this a paste.
    for (const QString& held : {QStringLiteral("shift"), QStringLiteral("super+shift")}) {
        const QString before = entry.text();
        const QString more = QStringLiteral("[%1]").arg(held);
        ASSERT_TRUE(test::xclipCopy(more.toUtf8()));
        HeldKeys keys(held);
        ASSERT_TRUE(keys.held());
        ASSERT_TRUE(synthesizer->postPasteKeystroke(PasteKeystroke::controlV));
        EXPECT_TRUE(entry.waitForText(before + more)) << "with " << held.toStdString() << " held: "
                                                      << entry.text().toStdString();
        EXPECT_EQ(entry.keyPresses().last().toStdString(), "control+v");
    }

    // Terminals take Ctrl+Shift+V; the entry only records it.
    const qsizetype seen = entry.keyPresses().size();
    ASSERT_TRUE(synthesizer->postPasteKeystroke(PasteKeystroke::controlShiftV));
    ASSERT_TRUE(test::processEventsUntil([&] { return entry.keyPresses().size() > seen; }));
    ASSERT_TRUE(test::processEventsUntil([&] { return entry.keyPresses().size() >= seen + 3; }));
    EXPECT_EQ(entry.keyPresses().mid(seen).join(QLatin1Char('|')).toStdString(),
              "Control_L|control+Shift_L|control+shift+v");
}
