#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QUrl>

#include "capture/ClipboardImageTextRecognizing.h"
#include "capture/MonitorFixture.h"
#include "support/TestSupport.h"

#include <png.h>

namespace quellpad {
namespace {

using test::encodedImage;
using test::LogCapture;
using test::MonitorFixture;

const QString monitorCategory = QStringLiteral("ClipboardMonitor");

class ClipboardMonitorPollTest : public ::testing::Test, public MonitorFixture {
protected:
    void SetUp() override { monitor->startMonitoring(false); }
    const auto& inserts() const { return repository->inserts; }
};

TEST_F(ClipboardMonitorPollTest, StoresACopiedTextWithPreviewSearchTextAndSource) {
    pasteboard.setContent({{PasteboardTypes::plainText, QByteArray("  first line\nsecond")},
                           {PasteboardTypes::html, QByteArray("<b>first line</b>")},
                           {PasteboardTypes::rtf, QByteArray("{\\rtf1 first line}")}});
    monitor->checkForChanges();
    ASSERT_EQ(inserts().size(), 1u);
    const auto& insert = inserts()[0];
    EXPECT_EQ(insert.type, ClipboardContentType::text);
    EXPECT_EQ(insert.plainText, QStringLiteral("  first line\nsecond"));
    EXPECT_EQ(insert.preview, QStringLiteral("first line …"));
    EXPECT_EQ(insert.searchText, insert.plainText);
    EXPECT_EQ(insert.htmlData, QByteArray("<b>first line</b>"));
    EXPECT_EQ(insert.rtfData, QByteArray("{\\rtf1 first line}"));
    EXPECT_EQ(insert.bundleIdentifier, QStringLiteral("org.example.Editor"));
    EXPECT_EQ(insert.id.size(), 36);
    EXPECT_EQ(insert.id, insert.id.toUpper());
    EXPECT_FALSE(insert.classification);
}

TEST_F(ClipboardMonitorPollTest, ClassificationTextIsStoredAsNone) {
    const struct {
        std::optional<QString> classified;
        std::optional<QString> stored;
    } rows[] = {{QStringLiteral("Text"), std::nullopt},
                {QStringLiteral("URL"), QStringLiteral("URL")},
                {std::nullopt, std::nullopt}};
    for (const auto& row : rows) {
        repository->inserts.clear();
        makeMonitor([&](const QString&) { return row.classified; });
        monitor->startMonitoring(false);
        copyAndPoll(QStringLiteral("https://example.com/") + QString::number(repository->removedTextQueries.size()));
        ASSERT_EQ(inserts().size(), 1u);
        EXPECT_EQ(inserts()[0].classification, row.stored);
    }
}

TEST_F(ClipboardMonitorPollTest, ContentPresentAtStartIsNeverCaptured) {
    pasteboard.setText(QStringLiteral("before"));
    monitor->startMonitoring(false);
    monitor->checkForChanges();
    // Copying the same content again (new change count, same fingerprint) is not captured either.
    copyAndPoll(QStringLiteral("before"));
    EXPECT_TRUE(inserts().empty());
    copyAndPoll(QStringLiteral("after"));
    EXPECT_EQ(inserts().size(), 1u);
}

TEST_F(ClipboardMonitorPollTest, ABAStoresThreeTimesAndPassesMergedUsageOn) {
    const ClipboardHistoryUsageMetadata usageOfA{QDateTime::currentDateTimeUtc(), 4};
    copyAndPoll(QStringLiteral("A"));
    copyAndPoll(QStringLiteral("A"));
    copyAndPoll(QStringLiteral("B"));
    repository->usageByText[QStringLiteral("A")] = usageOfA;
    copyAndPoll(QStringLiteral("A"));
    ASSERT_EQ(inserts().size(), 3u);
    EXPECT_EQ(inserts()[2].plainText, QStringLiteral("A"));
    EXPECT_EQ(inserts()[2].usage, usageOfA);
    EXPECT_EQ(repository->removedTextQueries, (std::vector<QString>{"A", "B", "A"}));
}

TEST_F(ClipboardMonitorPollTest, SkippedSourcesStillConsumeTheChange) {
    const struct {
        const char* name;
        std::optional<RunningApplication> frontmost;
        std::optional<QString> own;
        bool captured;
    } rows[] = {
        {"own application", RunningApplication{QStringLiteral("quellpad"), 1}, QStringLiteral("quellpad"), false},
        {"ignored application", RunningApplication{QStringLiteral("org.keepassxc.KeePassXC"), 2}, QStringLiteral("quellpad"), false},
        {"both ids absent", std::nullopt, std::nullopt, false},
        {"no active window", std::nullopt, QStringLiteral("quellpad"), true},
        {"window without id", RunningApplication{std::nullopt, 3}, QStringLiteral("quellpad"), true},
    };
    for (const auto& row : rows) {
        repository->inserts.clear();
        workspace = FakeWorkspace(row.own);
        workspace.setFrontmost(row.frontmost);
        makeMonitor({}, [](const QString& id) { return id == QStringLiteral("org.keepassxc.KeePassXC"); });
        monitor->startMonitoring(false);
        copyAndPoll(QString::fromLatin1(row.name));
        EXPECT_EQ(inserts().size(), row.captured ? 1u : 0u) << row.name;
        EXPECT_EQ(monitor->lastChangeCount(), pasteboard.changeCount()) << row.name;
        if (row.captured) {
            EXPECT_EQ(inserts()[0].bundleIdentifier, row.frontmost ? row.frontmost->bundleIdentifier : std::nullopt);
        }
    }
}

TEST_F(ClipboardMonitorPollTest, PasswordManagerSecretsAreNeverReadOrStored) {
    const struct {
        QByteArray hint;
        bool captured;
    } rows[] = {{"secret", false}, {"secret\n", false}, {"public", true}, {QByteArray(200, 'x'), false}};
    for (const auto& row : rows) {
        repository->inserts.clear();
        const int textReadsBefore = pasteboard.readCount(PasteboardTypes::plainText);
        copyAndPoll({{PasteboardTypes::plainText, QByteArray("hunter2 ") + row.hint},
                     {PasteboardTypes::passwordManagerHint, row.hint}});
        EXPECT_EQ(inserts().size(), row.captured ? 1u : 0u) << row.hint.left(10).constData();
        if (!row.captured) {
            EXPECT_EQ(pasteboard.readCount(PasteboardTypes::plainText), textReadsBefore);
        }
    }
}

TEST_F(ClipboardMonitorPollTest, TwoChangesBetweenPollsWarnAndStoreTheLatest) {
    LogCapture logs;
    pasteboard.setText(QStringLiteral("first"));
    pasteboard.setText(QStringLiteral("second"));
    monitor->checkForChanges();
    EXPECT_TRUE(logs.contains(LogLevel::warning, monitorCategory,
                              QStringLiteral("Clipboard changeCount advanced by 2; intermediate clipboard contents "
                                             "may have been overwritten")));
    ASSERT_EQ(inserts().size(), 1u);
    EXPECT_EQ(inserts()[0].plainText, QStringLiteral("second"));
}

TEST_F(ClipboardMonitorPollTest, QueuedChangesAreStoredOneByOneInOrder) {
    pasteboard.setQueuesChanges(true);
    LogCapture logs;
    for (const char* text : {"one", "two", "three"}) {
        pasteboard.setText(QString::fromUtf8(text));
    }
    // A change that could not be read leaves a gap the monitor reports.
    pasteboard.bumpChangeCount();
    pasteboard.setText(QStringLiteral("five"));
    pasteboard.setText(QStringLiteral("five")); // same content twice: one record
    monitor->checkForChanges();
    std::vector<QString> texts;
    for (const auto& insert : inserts()) {
        texts.push_back(insert.plainText);
    }
    EXPECT_EQ(texts, (std::vector<QString>{"one", "two", "three", "five"}));
    const std::vector<test::CapturedLogLine> lines = logs.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const auto& line) { return line.level == LogLevel::warning && line.category == monitorCategory; }),
              1);
    EXPECT_TRUE(logs.contains(LogLevel::warning, monitorCategory,
                              QStringLiteral("Clipboard changeCount advanced by 2; intermediate clipboard contents "
                                             "may have been overwritten")));
    EXPECT_EQ(monitor->lastChangeCount(), pasteboard.changeCount());
    monitor->checkForChanges();
    EXPECT_EQ(inserts().size(), 4u);
}

TEST_F(ClipboardMonitorPollTest, QueuedChangesFromAPauseOrOwnWriteAreNeverStored) {
    pasteboard.setQueuesChanges(true);
    monitor->pauseTemporarily();
    pasteboard.setText(QStringLiteral("while paused"));
    monitor->resumeFromTemporaryPause();
    monitor->performWithoutCapture([&] { pasteboard.write({{PasteboardTypes::plainText, QByteArray("copied back")}}); });
    pasteboard.setText(QStringLiteral("after"));
    monitor->checkForChanges();
    ASSERT_EQ(inserts().size(), 1u);
    EXPECT_EQ(inserts()[0].plainText, QStringLiteral("after"));
}

TEST_F(ClipboardMonitorPollTest, TextOverTheLimitIsLoggedAndDropped) {
    defaults.set(QStringLiteral("ClipboardMonitorMaxItemSizeInMB"), qlonglong(1));
    LogCapture logs;
    copyAndPoll(QString(1'048'577, QLatin1Char('a')));
    EXPECT_TRUE(inserts().empty());
    EXPECT_TRUE(logs.contains(LogLevel::warning, monitorCategory, QStringLiteral("Ignored clipboard item larger than limit")));

    // The renditions count too: exactly at the limit is kept, one byte more is not.
    copyAndPoll({{PasteboardTypes::plainText, QByteArray(1'048'576 - 10, 'b')}, {PasteboardTypes::html, QByteArray(10, 'h')}});
    EXPECT_EQ(inserts().size(), 1u);
    copyAndPoll({{PasteboardTypes::plainText, QByteArray(1'048'576 - 10, 'c')}, {PasteboardTypes::html, QByteArray(11, 'h')}});
    EXPECT_EQ(inserts().size(), 1u);
}

TEST_F(ClipboardMonitorPollTest, MaxItemSizeSettingIsClamped) {
    const struct {
        QVariant setting;
        qint64 megabytes;
    } rows[] = {{qlonglong(0), 1}, {qlonglong(1000), 500}, {QStringLiteral("5"), 10}, {QVariant(), 10}, {qlonglong(3), 3}};
    char fill = 'a';
    for (const auto& row : rows) {
        defaults.set(QStringLiteral("ClipboardMonitorMaxItemSizeInMB"), row.setting);
        const qint64 limit = row.megabytes * 1'048'576;
        // Sizes are declared, not allocated: only a prefix exists.
        FakePasteboard::Behaviour atLimit;
        atLimit.declaredByteCount = limit + 1;
        pasteboard.setBehaviour(PasteboardTypes::plainText, atLimit);
        repository->inserts.clear();
        copyAndPoll(QStringLiteral("declared one byte over"));
        EXPECT_TRUE(inserts().empty()) << row.megabytes;
        atLimit.declaredByteCount = -1;
        pasteboard.setBehaviour(PasteboardTypes::plainText, atLimit);
        copyAndPoll(QString(int(std::min<qint64>(limit, 3 * 1'048'576)), QLatin1Char(fill++)));
        EXPECT_EQ(inserts().size(), 1u) << row.megabytes;
    }
}

TEST_F(ClipboardMonitorPollTest, OversizeImageIsDroppedEvenWhenTextIsOffered) {
    defaults.set(QStringLiteral("ClipboardMonitorMaxItemSizeInMB"), qlonglong(1));
    FakePasteboard::Behaviour huge;
    huge.declaredByteCount = 2 * 1'048'576;
    pasteboard.setBehaviour(PasteboardTypes::png, huge);
    LogCapture logs;
    copyAndPoll({{PasteboardTypes::png, encodedImage(4, 4)}, {PasteboardTypes::plainText, QByteArray("caption")}});
    EXPECT_TRUE(inserts().empty());
    EXPECT_TRUE(logs.contains(LogLevel::warning, monitorCategory,
                              QStringLiteral("Ignored clipboard image larger than limit: imageType=png, "
                                             "actualBytes=2097152, maxBytes=1048576")));
    EXPECT_EQ(pasteboard.readCount(PasteboardTypes::plainText), 0);
}

TEST_F(ClipboardMonitorPollTest, ImagesComeBeforeTextAndTinyImagesFallBackToText) {
    const QByteArray png = encodedImage(3, 2);
    copyAndPoll({{PasteboardTypes::plainText, QByteArray("alt text")}, {PasteboardTypes::png, png}});
    ASSERT_EQ(inserts().size(), 1u);
    EXPECT_EQ(inserts()[0].type, ClipboardContentType::image);
    EXPECT_EQ(inserts()[0].imageData, png); // PNG is kept byte for byte
    EXPECT_EQ(inserts()[0].preview, QStringLiteral("Image 3x2"));
    EXPECT_EQ(inserts()[0].searchText, QString());

    copyAndPoll({{PasteboardTypes::plainText, QByteArray("alt text")}, {PasteboardTypes::png, encodedImage(1, 1)}});
    ASSERT_EQ(inserts().size(), 2u);
    EXPECT_EQ(inserts()[1].type, ClipboardContentType::text);

    // With image capture off the text of an image copy is stored instead.
    defaults.set(QStringLiteral("ClipboardMonitorImageCaptureEnabled"), false);
    copyAndPoll({{PasteboardTypes::plainText, QByteArray("other caption")}, {PasteboardTypes::png, png}});
    ASSERT_EQ(inserts().size(), 3u);
    EXPECT_EQ(inserts()[2].type, ClipboardContentType::text);

    defaults.set(QStringLiteral("ClipboardMonitorTextCaptureEnabled"), false);
    copyAndPoll(QStringLiteral("nothing is captured"));
    EXPECT_EQ(inserts().size(), 3u);
}

// An RGB PNG written row by row: decoded whole it would need width * height * 4 bytes.
QByteArray largeRgbPng(int width, int height) {
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t length) {
            static_cast<QByteArray*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), qsizetype(length));
        },
        nullptr);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (size_t x = 0; x < row.size(); ++x) {
            row[x] = png_byte((x + size_t(y)) % 251);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

TEST_F(ClipboardMonitorPollTest, APhotoTooLargeToDecodeWholeIsStoredAsItIs) {
    const QByteArray photo = largeRgbPng(8000, 6000);
    ASSERT_EQ(codec.pixelSize(photo), QSize(8000, 6000));
    EXPECT_EQ(codec.pngData(photo), photo);
    copyAndPoll({{PasteboardTypes::png, photo}, {PasteboardTypes::plainText, QByteArray("caption")}});
    ASSERT_EQ(inserts().size(), 1u);
    EXPECT_EQ(inserts()[0].type, ClipboardContentType::image);
    EXPECT_EQ(inserts()[0].preview, QStringLiteral("Image 8000x6000"));
    EXPECT_TRUE(inserts()[0].imageData == photo);
    // Bytes that only look like an image still do not count as one.
    EXPECT_FALSE(codec.pixelSize(QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, '\0')));
}

// Found by fuzzing: a GIF's header gives its canvas (here 8193x1), not the image's size;
// the size must be what the stored picture really has.
TEST_F(ClipboardMonitorPollTest, AGifIsMeasuredByItsImageNotItsCanvas) {
    const QByteArray gif = QByteArray::fromHex("47494638396101200100800000000000ffffff21f90401000000002c000000000100010000020144003b");
    const std::optional<QSize> size = codec.pixelSize(gif);
    ASSERT_TRUE(size);
    const std::optional<QByteArray> png = codec.pngData(gif);
    ASSERT_TRUE(png);
    EXPECT_EQ(codec.pixelSize(*png), size);
}

TEST_F(ClipboardMonitorPollTest, OtherImageTypesAreReencodedAsPNG) {
    copyAndPoll({{QStringLiteral("image/jpeg"), encodedImage(8, 6, "jpg")}});
    ASSERT_EQ(inserts().size(), 1u);
    EXPECT_TRUE(inserts()[0].imageData.startsWith("\x89PNG"));
    EXPECT_EQ(inserts()[0].preview, QStringLiteral("Image 8x6"));

    // Undecodable bytes under an image type are no image.
    copyAndPoll({{QStringLiteral("image/bmp"), QByteArray("not an image")}});
    EXPECT_EQ(inserts().size(), 1u);
}

TEST_F(ClipboardMonitorPollTest, FileCopiesStoreOnlyOneImageFile) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString imagePath = directory.filePath(QStringLiteral("picture one.png"));
    const QString textPath = directory.filePath(QStringLiteral("notes.txt"));
    const QByteArray png = encodedImage(5, 4);
    ASSERT_TRUE(test::writeFile(imagePath, png));
    ASSERT_TRUE(test::writeFile(textPath, "hello"));
    const QByteArray imageUrl = QUrl::fromLocalFile(imagePath).toEncoded();
    const QByteArray textUrl = QUrl::fromLocalFile(textPath).toEncoded();

    copyAndPoll({{PasteboardTypes::uriList, imageUrl + "\r\n"}, {PasteboardTypes::plainText, imagePath.toUtf8()}});
    ASSERT_EQ(inserts().size(), 1u);
    EXPECT_EQ(inserts()[0].imageData, png);
    EXPECT_EQ(inserts()[0].preview, QStringLiteral("Image 5x4"));

    copyAndPoll({{PasteboardTypes::uriList, imageUrl + "\r\n" + textUrl}, {PasteboardTypes::plainText, QByteArray("two")}});
    copyAndPoll({{PasteboardTypes::gnomeCopiedFiles, "copy\n" + textUrl}, {PasteboardTypes::plainText, QByteArray("one")}});
    EXPECT_EQ(inserts().size(), 1u);

    // A web link is not a file: the text is stored.
    copyAndPoll({{PasteboardTypes::uriList, QByteArray("https://example.com/")},
                 {PasteboardTypes::plainText, QByteArray("https://example.com/")}});
    EXPECT_EQ(inserts().size(), 2u);
}

TEST_F(ClipboardMonitorPollTest, OversizeImageFileIsNotReadWhole) {
    defaults.set(QStringLiteral("ClipboardMonitorMaxItemSizeInMB"), qlonglong(1));
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("big.png"));
    QByteArray bytes = encodedImage(2, 2);
    bytes.append(QByteArray(1'048'577, '\0'));
    ASSERT_TRUE(test::writeFile(path, bytes));
    LogCapture logs;
    copyAndPoll({{PasteboardTypes::uriList, QUrl::fromLocalFile(path).toEncoded()}});
    EXPECT_TRUE(inserts().empty());
    EXPECT_TRUE(logs.contains(LogLevel::warning, monitorCategory,
                              QStringLiteral("Ignored clipboard image larger than limit: imageType=png, actualBytes=%1")
                                  .arg(bytes.size())));
}

TEST_F(ClipboardMonitorPollTest, TextFromRichRenditionsAndUnusableTexts) {
    copyAndPoll({{PasteboardTypes::plainText, QByteArray()}, {PasteboardTypes::rtf, QByteArray("{\\rtf1\\ansi Caf\\'e9}")}});
    ASSERT_EQ(inserts().size(), 1u);
    EXPECT_EQ(inserts()[0].plainText, QStringLiteral("Café"));
    EXPECT_EQ(inserts()[0].rtfData, QByteArray("{\\rtf1\\ansi Caf\\'e9}"));

    copyAndPoll({{PasteboardTypes::html, QByteArray("<p>Tom &amp; Jerry</p>")}});
    ASSERT_EQ(inserts().size(), 2u);
    EXPECT_EQ(inserts()[1].plainText, QStringLiteral("Tom & Jerry"));

    copyAndPoll(QStringLiteral(" \n\t\u3000 "));
    copyAndPoll({{QStringLiteral("application/x-unknown"), QByteArray("x")}});
    copyAndPoll(PasteboardRepresentations{});
    EXPECT_EQ(inserts().size(), 2u);
}

TEST_F(ClipboardMonitorPollTest, InvalidUTF8IsKeptWithReplacementsAndLogged) {
    LogCapture logs;
    copyAndPoll({{PasteboardTypes::plainText, QByteArray("ok \xC3\x28 end")}});
    ASSERT_EQ(inserts().size(), 1u);
    EXPECT_TRUE(inserts()[0].plainText.startsWith(QStringLiteral("ok \uFFFD")));
    EXPECT_TRUE(logs.contains(LogLevel::warning, monitorCategory, QStringLiteral("Clipboard text was not valid UTF-8")));
}

TEST_F(ClipboardMonitorPollTest, RichRenditionsTellCopiesApartButNotStoredDuplicates) {
    copyAndPoll({{PasteboardTypes::plainText, QByteArray("same")}, {PasteboardTypes::html, QByteArray("<i>same</i>")}});
    copyAndPoll({{PasteboardTypes::plainText, QByteArray("same")}, {PasteboardTypes::html, QByteArray("<b>same</b>")}});
    EXPECT_EQ(inserts().size(), 2u);
}

TEST_F(ClipboardMonitorPollTest, AFailingPasteboardEndsOnlyThatPoll) {
    monitor->startMonitoring(false);
    LogCapture logs;
    FakePasteboard::Behaviour throwing;
    throwing.throws = true;
    pasteboard.setBehaviour(PasteboardTypes::plainText, throwing);
    pasteboard.setText(QStringLiteral("boom"));
    ASSERT_TRUE(timers.fireNext());
    EXPECT_TRUE(logs.contains(LogLevel::error, monitorCategory, QStringLiteral("Clipboard poll failed: ")));
    EXPECT_EQ(timers.pendingIntervals().size(), 1u);
    EXPECT_EQ(monitor->lastChangeCount(), pasteboard.changeCount());

    pasteboard.setBehaviour(PasteboardTypes::plainText, {});
    pasteboard.setText(QStringLiteral("fine"));
    ASSERT_TRUE(timers.fireNext());
    EXPECT_EQ(inserts().size(), 1u);
}

TEST_F(ClipboardMonitorPollTest, RetentionRunsForcedAtStartAndThrottledBeforeEachCapture) {
    defaults.set(QStringLiteral("ClipboardMonitorTextAutoCleanupPolicy"), QStringLiteral("oneDay"));
    defaults.set(QStringLiteral("ClipboardMonitorImageAutoCleanupPolicy"), QStringLiteral("oneDay"));
    monitor->startMonitoring(true);
    ASSERT_EQ(repository->expiries.size(), 2u);
    EXPECT_EQ(repository->expiries[0].type, ClipboardContentType::text);
    EXPECT_EQ(repository->expiries[1].type, ClipboardContentType::image);
    copyAndPoll(QStringLiteral("x"));
    EXPECT_EQ(repository->expiries.size(), 2u); // within the hour of the forced run
    clock.advance(3600);
    copyAndPoll(QStringLiteral("y"));
    EXPECT_EQ(repository->expiries.size(), 3u);
}

class FixedRecognizer final : public ClipboardImageTextRecognizing {
public:
    explicit FixedRecognizer(QString text) : text_(std::move(text)) {}
    QFuture<QString> recognizeText(const QByteArray&) override {
        ++calls;
        return QtFuture::makeReadyFuture(text_);
    }
    QFuture<std::optional<QString>> recognizeTextUnlessSkipped(const QByteArray& imageData) override {
        return recognizeText(imageData).then([](const QString& text) { return std::optional<QString>(text); });
    }
    bool isIdle() const override { return true; }
    void setIdleHandler(std::function<void()>) override {}
    int calls = 0;

private:
    QString text_;
};

TEST_F(ClipboardMonitorPollTest, RecognisedImageTextIsTrimmedAndWrittenBack) {
    auto recognizer = std::make_shared<FixedRecognizer>(QStringLiteral("  line one\nline two \n"));
    makeMonitor({}, {}, recognizer);
    monitor->startMonitoring(false);
    copyAndPoll({{PasteboardTypes::png, encodedImage(4, 4)}});
    ASSERT_TRUE(test::processEventsUntil([&] { return !repository->ocrUpdates.empty(); }));
    EXPECT_EQ(repository->ocrUpdates[0].first, inserts()[0].id);
    EXPECT_EQ(repository->ocrUpdates[0].second, QStringLiteral("line one\nline two"));

    defaults.set(QStringLiteral("ClipboardMonitorImageOCREnabled"), false);
    copyAndPoll({{PasteboardTypes::png, encodedImage(4, 4, "png", Qt::blue)}});
    EXPECT_EQ(recognizer->calls, 1);
    EXPECT_EQ(inserts().size(), 2u);
}

} // namespace
} // namespace quellpad
