#include <gtest/gtest.h>

#include "panel/ClipboardPinCopyHandler.h"
#include "PanelTestDoubles.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

class ClipboardPinCopyHandlerTest : public ::testing::Test {
protected:
    std::shared_ptr<test::PanelHistory> history = std::make_shared<test::PanelHistory>();
    std::shared_ptr<test::FakePanelHistoryManager> manager = std::make_shared<test::FakePanelHistoryManager>(history);
    FakePasteboard pasteboard;

    PinCopyHandler handlerFor(const QString& id) {
        return makeClipboardPinCopyHandler([this] { return manager; }, pasteboard, *manager->content(id));
    }
    // Runs the handler and waits for its answer.
    std::optional<bool> copy(const PinCopyHandler& handler, const std::optional<QString>& edited) {
        std::optional<bool> answer;
        handler(edited, [&](bool succeeded) { answer = succeeded; });
        test::processEventsUntil([&] { return answer.has_value(); });
        return answer;
    }
    QByteArray clipboardText() const {
        for (const auto& [type, bytes] : pasteboard.content()) {
            if (type == PasteboardTypes::plainText) return bytes;
        }
        return {};
    }
};

TEST_F(ClipboardPinCopyHandlerTest, AnUneditedPinCopiesTheStoredItemAndAnEditedOneItsText) {
    const QString id = history->addText(QStringLiteral("SELECT 1"));
    const PinCopyHandler handler = handlerFor(id);
    history->contents[id].richTextHTMLData = QByteArray("<b>SELECT 1</b>");

    EXPECT_EQ(copy(handler, std::nullopt), true);
    EXPECT_EQ(clipboardText(), QByteArray("SELECT 1"));
    EXPECT_EQ(pasteboard.content().size(), 2u); // the stored HTML form came along
    EXPECT_EQ(manager->used, std::vector<QString>{id});

    EXPECT_EQ(copy(handler, QStringLiteral("SELECT 2")), true);
    EXPECT_EQ(pasteboard.content(), (PasteboardRepresentations{{PasteboardTypes::plainText, QByteArray("SELECT 2")}}));
}

TEST_F(ClipboardPinCopyHandlerTest, AnItemDeletedAfterPinningIsCopiedFromThePinnedContent) {
    const QString text = history->addText(QStringLiteral("still on screen"));
    const QString image = history->addImage(QByteArray("\x89PNG\r\n\x1a\n-image", 14));
    const PinCopyHandler textHandler = handlerFor(text);
    const PinCopyHandler imageHandler = handlerFor(image);
    manager->deleteItem(text);
    manager->deleteItem(image);

    EXPECT_EQ(copy(textHandler, std::nullopt), true);
    EXPECT_EQ(clipboardText(), QByteArray("still on screen"));
    EXPECT_EQ(copy(imageHandler, std::nullopt), true);
    ASSERT_FALSE(pasteboard.content().empty());
    EXPECT_EQ(pasteboard.content()[0].second, QByteArray("\x89PNG\r\n\x1a\n-image", 14));
    EXPECT_TRUE(manager->used.empty()); // nothing to record against a deleted item
}

TEST_F(ClipboardPinCopyHandlerTest, AClipboardThatRefusesTheWriteIsAFailure) {
    const QString id = history->addText(QStringLiteral("x"));
    const PinCopyHandler handler = handlerFor(id);
    pasteboard.setWriteFails(true);
    EXPECT_EQ(copy(handler, std::nullopt), false);
    EXPECT_EQ(copy(handler, QStringLiteral("edited")), false);
    manager->deleteItem(id);
    EXPECT_EQ(copy(handler, std::nullopt), false);
    EXPECT_TRUE(manager->used.empty());
}

} // namespace
} // namespace quellpad
