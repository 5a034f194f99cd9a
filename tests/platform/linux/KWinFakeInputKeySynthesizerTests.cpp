// The KWin fake input paste route against the in-process compositor, which records what
// it is sent instead of pressing keys.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWindow>

#include "platform/linux/FocusReturnActivation.h"
#include "platform/linux/KWinFakeInputKeySynthesizer.h"
#include "support/TestCompositor.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using test::FakeInputRequest;
using test::TestCompositor;
using test::TestCompositorOptions;

// The keys after authentication, as "code:state".
QStringList keysOf(const std::vector<FakeInputRequest>& requests) {
    QStringList keys;
    for (const FakeInputRequest& request : requests) {
        if (request.kind == FakeInputRequest::Kind::keyboardKey) {
            keys << QStringLiteral("%1:%2").arg(request.key).arg(request.state);
        }
    }
    return keys;
}

TEST(KWinFakeInputTest, AuthenticatesThenPressesThePasteKeysAsEvdevCodes) {
    TestCompositor compositor(TestCompositorOptions{false, false, true, 5});
    QString error;
    ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
    std::unique_ptr<KWinFakeInputKeySynthesizer> keys = KWinFakeInputKeySynthesizer::open(&error, compositor.socketPath());
    ASSERT_TRUE(keys) << error.toStdString();

    ASSERT_TRUE(keys->postPasteKeystroke(PasteKeystroke::controlV));
    ASSERT_TRUE(keys->postPasteKeystroke(PasteKeystroke::controlShiftV));
    // The round trip in postPasteKeystroke means the compositor has handled every request.
    const std::vector<FakeInputRequest> requests = compositor.fakeInputRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().kind, FakeInputRequest::Kind::authenticate);
    EXPECT_EQ(requests.front().application, QStringLiteral("Quellpad"));
    EXPECT_FALSE(requests.front().reason.isEmpty());
    // Ctrl(29) V(47), then Ctrl Shift(42) V, each released in reverse order; nothing else.
    EXPECT_EQ(keysOf(requests), (QStringList{"29:1", "47:1", "47:0", "29:0",
                                             "29:1", "42:1", "47:1", "47:0", "42:0", "29:0"}));
    EXPECT_EQ(requests.size(), 11u);
}

TEST(KWinFakeInputTest, OpenFailsWithTheReasonWhereNoUsableFakeInputIsOffered) {
    QString error;
    EXPECT_EQ(KWinFakeInputKeySynthesizer::open(&error, "/nonexistent/quellpad-wayland-0"), nullptr);
    EXPECT_FALSE(error.isEmpty());

    // KWin leaves the global out for clients its desktop entries do not grant it to.
    TestCompositor withoutGlobal(TestCompositorOptions{true, false, false, 5});
    ASSERT_TRUE(withoutGlobal.start(&error)) << error.toStdString();
    EXPECT_EQ(KWinFakeInputKeySynthesizer::open(&error, withoutGlobal.socketPath()), nullptr);
    EXPECT_TRUE(error.contains(QLatin1String("org_kde_kwin_fake_input"))) << error.toStdString();

    // Before version 4 there is no keyboard_key: binding it would be a protocol error later.
    TestCompositor tooOld(TestCompositorOptions{false, false, true, 3});
    ASSERT_TRUE(tooOld.start(&error)) << error.toStdString();
    EXPECT_EQ(KWinFakeInputKeySynthesizer::open(&error, tooOld.socketPath()), nullptr);
    EXPECT_TRUE(error.contains(QLatin1String("version 3"))) << error.toStdString();
    EXPECT_TRUE(tooOld.fakeInputRequests().empty());
}

TEST(KWinFakeInputTest, FailsWhileTheCompositorIsGoneAndAuthenticatesAgainOnceBack) {
    TestCompositor compositor(TestCompositorOptions{false, false, true, 5});
    QString error;
    ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
    std::unique_ptr<KWinFakeInputKeySynthesizer> keys = KWinFakeInputKeySynthesizer::open(&error, compositor.socketPath());
    ASSERT_TRUE(keys) << error.toStdString();
    compositor.stop();
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(keys->postPasteKeystroke(PasteKeystroke::controlV));
    EXPECT_FALSE(keys->postPasteKeystroke(PasteKeystroke::controlV)); // still gone: still a failure
    EXPECT_LT(elapsed.elapsed(), 1000);

    // Back, with no keystroke in between that could have noticed: the first one works.
    ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
    ASSERT_TRUE(keys->postPasteKeystroke(PasteKeystroke::controlV));
    compositor.stop();
    ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
    EXPECT_TRUE(keys->postPasteKeystroke(PasteKeystroke::controlV));
    const std::vector<FakeInputRequest> requests = compositor.fakeInputRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().kind, FakeInputRequest::Kind::authenticate);
    EXPECT_EQ(keysOf(requests), (QStringList{"29:1", "47:1", "47:0", "29:0"}));
}

// The activation KWin's paste route uses: the previous window counts as active again only
// once our own window let go of the focus, so the keys never go to our panel.
TEST(KWinFakeInputTest, FocusReturnWaitsUntilOurWindowHasLetGoOfTheFocus) {
    FocusReturnActivation activation;
    ASSERT_EQ(QGuiApplication::focusWindow(), nullptr);
    const std::optional<ActiveWindow> previous = activation.activeWindow();
    ASSERT_TRUE(previous);

    QWindow panel;
    panel.resize(100, 100);
    panel.show();
    panel.requestActivate();
    ASSERT_TRUE(test::processEventsUntil([] { return QGuiApplication::focusWindow() != nullptr; }));
    EXPECT_FALSE(activation.isActive(*previous));
    EXPECT_EQ(activation.activeWindow(), std::nullopt); // reopening over our own window keeps the old one

    EXPECT_TRUE(activation.requestActivation(*previous, 0));
    panel.hide();
    EXPECT_TRUE(test::processEventsUntil([&] { return activation.isActive(*previous); }));
}

} // namespace
} // namespace quellpad
