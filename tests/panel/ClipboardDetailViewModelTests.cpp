// The detail pane's state: what it builds for text, formatted, hostile and image items,
// and that it follows the selection without ever showing a late answer.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QSignalSpy>
#include <QtEndian>

#include "panel/ClipboardDetailViewModel.h"
#include "panel/PanelTestDoubles.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using Presentation = ClipboardDetailPresentation;
using VM = ClipboardDetailViewModel;

ClipboardHistoryIndexSnapshot textItem(std::optional<QString> classification) {
    ClipboardHistoryIndexSnapshot item;
    item.id = QStringLiteral("A");
    item.classification = std::move(classification);
    return item;
}

ClipboardSystemClassificationSet allSystemClassificationSet() {
    const auto all = allSystemClassifications();
    return {all.begin(), all.end()};
}

Presentation buildText(const QString& text, std::optional<QString> classification, bool formatting = true) {
    return VM::build({textItem(std::move(classification)), ClipboardHistoryContentSnapshot{QStringLiteral("A"), text, {}, {}, {}, {}},
                      formatting, QSize(400, 300), allSystemClassificationSet()});
}

Presentation buildImage(const QByteArray& data, QSize target) {
    ClipboardHistoryIndexSnapshot item;
    item.id = QStringLiteral("I");
    item.contentType = ClipboardContentType::image;
    return VM::build({item, ClipboardHistoryContentSnapshot{QStringLiteral("I"), QStringLiteral("Image"), {}, {}, data,
                                                             QStringLiteral("recognised words")},
                      true, target, {}});
}

bool hasNotice(const Presentation& p, TextKey key) {
    return std::any_of(p.notices.begin(), p.notices.end(), [&](const auto& notice) { return notice.key == key; });
}

QByteArray png(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG that declares its size and then ends: readers learn the size without pixels.
QByteArray pngHeaderOnly(quint32 width, quint32 height) {
    auto chunk = [](const char* type, const QByteArray& data) {
        QByteArray body = QByteArray(type) + data;
        QByteArray out(4, '\0');
        qToBigEndian(quint32(data.size()), out.data());
        out += body;
        QByteArray crc(4, '\0');
        qToBigEndian(crc32(body), crc.data());
        return out + crc;
    };
    QByteArray header(13, '\0');
    qToBigEndian(width, header.data());
    qToBigEndian(height, header.data() + 4);
    header[8] = 8; // bit depth
    header[9] = 2; // RGB
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", {}) + chunk("IEND", {});
}

TEST(ClipboardDetailBuild, FormatsWhatItsLabelOrItsTextSaysAndHonoursTheSwitch) {
    const QString json = QStringLiteral(R"({"name":"Quellpad","tags":[1,2]})");
    const Presentation formatted = buildText(json, QStringLiteral("JSON"));
    EXPECT_TRUE(formatted.isFormattable);
    EXPECT_TRUE(formatted.isFormatted);
    ASSERT_TRUE(formatted.formattedText);
    EXPECT_TRUE(formatted.text.startsWith(QStringLiteral("{\n  \"name\" : \"Quellpad\"")));
    EXPECT_EQ(*formatted.formattedText, formatted.text);
    EXPECT_FALSE(formatted.runs.empty());
    EXPECT_TRUE(formatted.notices.empty());

    const Presentation original = buildText(json, QStringLiteral("JSON"), false);
    EXPECT_TRUE(original.isFormattable);
    EXPECT_FALSE(original.isFormatted);
    EXPECT_EQ(original.text, json);
    EXPECT_FALSE(original.formattedText);

    // A user label: the text itself is classified.
    EXPECT_TRUE(buildText(json, QStringLiteral("Work notes")).isFormatted);
    EXPECT_TRUE(buildText(QStringLiteral("select a, b from t where a = 1"), QStringLiteral("SQL")).text.contains(u'\n'));
    // Labels without a formatter, and unlabelled text, stay as they are.
    for (const auto& label : {std::optional<QString>(QStringLiteral("URL")), std::optional<QString>()}) {
        const Presentation plain = buildText(json, label);
        EXPECT_FALSE(plain.isFormattable);
        EXPECT_EQ(plain.text, json);
    }
}

TEST(ClipboardDetailBuild, HostileTextsAreBoundedAndNeverFormattedIntoTrouble) {
    const QString huge(10 * 1024 * 1024, QLatin1Char('x'));
    const Presentation big = buildText(huge, std::nullopt);
    EXPECT_EQ(big.text.size(), VM::maximumDisplayedCharacters);
    ASSERT_TRUE(hasNotice(big, TextKey::detailTruncated));
    EXPECT_EQ(big.notices.front().arguments,
              QStringList({QString::number(VM::maximumDisplayedCharacters), QString::number(huge.size())}));

    // A surrogate pair straddling the cut is not split.
    QString emoji(VM::maximumDisplayedCharacters - 1, QLatin1Char('a'));
    emoji += QString::fromUtf8("😀tail");
    EXPECT_EQ(buildText(emoji, std::nullopt).text.size(), VM::maximumDisplayedCharacters - 1);

    const QString deep = QString(100'000, QLatin1Char('[')) + QString(100'000, QLatin1Char(']'));
    const Presentation refused = buildText(deep, QStringLiteral("JSON"));
    EXPECT_FALSE(refused.isFormatted);
    EXPECT_EQ(refused.text.size(), deep.size());
    ASSERT_TRUE(hasNotice(refused, TextKey::detailFormattingFailed));
    EXPECT_EQ(refused.notices.front().reasonKey, TextKey::formattingNestingTooDeep);

    const Presentation broken = buildText(QStringLiteral("{\"a\": "), QStringLiteral("JSON"));
    EXPECT_FALSE(broken.isFormatted);
    EXPECT_TRUE(hasNotice(broken, TextKey::detailFormattingFailed));
}

TEST(ClipboardDetailBuild, ImagesAreDecodedToFitAndAbsurdSizesAreRefusedFromTheHeader) {
    const Presentation fitted = buildImage(png(QSize(2000, 1000)), QSize(400, 300));
    EXPECT_EQ(fitted.kind, Presentation::Kind::image);
    EXPECT_EQ(fitted.imagePixelSize, QSize(2000, 1000));
    EXPECT_EQ(fitted.image.size(), QSize(400, 200));
    EXPECT_EQ(fitted.ocrText, QStringLiteral("recognised words"));

    // Smaller than the pane: never enlarged.
    EXPECT_EQ(buildImage(png(QSize(40, 30)), QSize(400, 300)).image.size(), QSize(40, 30));

    const Presentation huge = buildImage(pngHeaderOnly(20000, 20000), QSize(400, 300));
    EXPECT_TRUE(huge.image.isNull());
    EXPECT_EQ(huge.imagePixelSize, QSize(20000, 20000));
    ASSERT_TRUE(hasNotice(huge, TextKey::detailImageTooLarge));
    EXPECT_EQ(huge.notices.front().arguments, QStringList({QStringLiteral("20000"), QStringLiteral("20000")}));

    const Presentation garbage = buildImage(QByteArray("not an image at all"), QSize(400, 300));
    EXPECT_TRUE(garbage.image.isNull());
    EXPECT_TRUE(hasNotice(garbage, TextKey::detailImageUnreadable));
}

class ClipboardDetailViewModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        plainId = rig.history->addText(QStringLiteral("plain words"));
        jsonId = rig.history->addText(QStringLiteral(R"({"b":[true,null]})"), QStringLiteral("JSON"));
        rig.viewModel.loadItems(false);
        ASSERT_TRUE(test::processEventsUntil([&] { return rig.viewModel.clipboardItems().size() == 2; }));
    }
    bool shows(const QString& id) const { return detail.presentation().itemId == id && !detail.pendingItemId(); }

    test::PanelRig rig;
    QString plainId;
    QString jsonId;
    VM detail{rig.viewModel, rig.defaults};
};

TEST_F(ClipboardDetailViewModelTest, FollowsTheSelectionAndDropsLateAnswers) {
    ASSERT_TRUE(test::processEventsUntil([&] { return shows(plainId); }));
    EXPECT_EQ(detail.presentation().text, QStringLiteral("plain words"));
    EXPECT_FALSE(detail.formattedText(plainId));

    rig.manager->holdContent = true;
    rig.viewModel.select(1);
    rig.viewModel.select(0);
    ASSERT_EQ(rig.manager->heldContent.size(), 2u);
    rig.manager->release(1); // the newer selection (plain) answers first
    ASSERT_TRUE(test::processEventsUntil([&] { return shows(plainId); }));
    QSignalSpy changes(&detail, &VM::presentationChanged);
    rig.manager->release(0); // the JSON item's late answer
    test::drainEvents();
    QThreadPool::globalInstance()->waitForDone();
    test::drainEvents();
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(detail.presentation().itemId, plainId);

    rig.manager->holdContent = false;
    rig.viewModel.select(1);
    ASSERT_TRUE(test::processEventsUntil([&] { return shows(jsonId); }));
    ASSERT_TRUE(detail.formattedText(jsonId));
    EXPECT_TRUE(detail.formattedText(jsonId)->contains(QStringLiteral("\"b\" : [\n")));
    EXPECT_FALSE(detail.formattedText(plainId)); // not the item shown

    detail.setFormattingEnabled(false);
    EXPECT_FALSE(detail.formattedText(jsonId));
    ASSERT_TRUE(test::processEventsUntil([&] { return !detail.presentation().isFormatted && shows(jsonId); }));
    EXPECT_EQ(detail.presentation().text, QStringLiteral(R"({"b":[true,null]})"));
}

TEST_F(ClipboardDetailViewModelTest, AnItemDeletedMeanwhileAndAnEmptyListAreSaid) {
    ASSERT_TRUE(test::processEventsUntil([&] { return shows(plainId); }));
    rig.history->contents.erase(jsonId); // deleted from the command line while listed
    rig.viewModel.select(1);
    ASSERT_TRUE(test::processEventsUntil([&] { return shows(jsonId); }));
    EXPECT_EQ(detail.presentation().kind, Presentation::Kind::unavailable);

    rig.viewModel.reset();
    ASSERT_TRUE(test::processEventsUntil([&] { return detail.presentation().kind == Presentation::Kind::empty; }));
    EXPECT_TRUE(detail.presentation().itemId.isEmpty());
}

} // namespace
} // namespace quellpad
