// Recognition with the real engine: Tesseract over the installed language data.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include "settings/AppPreferences.h"
#include "capture/ClipboardImageTextRecognizer.h"
#include "support/OcrTestImages.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/linux/TesseractTextRecognitionEngine.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using Status = ClipboardImageTextRecognition::Status;
const QString ocrCategory = QStringLiteral("ClipboardOCR");

class TesseractRecognitionTest : public ::testing::Test {
protected:
    InMemoryDefaultsStore defaults;

    void SetUp() override {
        if (TesseractTextRecognitionEngine().installedLanguages().isEmpty()) {
            GTEST_SKIP() << "no Tesseract language data installed";
        }
    }

    void configure(ClipboardOCRLanguageMode mode, ClipboardOCRLanguage language = ClipboardOCRLanguage::englishUS) {
        AppPreferences(defaults).setOCRConfiguration({mode, language});
    }

    ClipboardImageTextRecognition recognize(const QByteArray& bytes,
                                            std::unique_ptr<TextRecognitionEngine> engine =
                                                std::make_unique<TesseractTextRecognitionEngine>()) {
        ClipboardImageTextRecognizer recognizer(std::move(engine), defaults);
        QFuture<ClipboardImageTextRecognition> future = recognizer.recognize(bytes);
        future.waitForFinished();
        return future.result();
    }
};

TEST_F(TesseractRecognitionTest, EnglishLinesComeBackInReadingOrder) {
    const QImage image = test::renderedText({QStringLiteral("Error: connection refused by the server"),
                                             QStringLiteral("Retry the upload in thirty seconds")});
    test::LogCapture logs;
    const ClipboardImageTextRecognition result = recognize(test::encoded(image));
    ASSERT_EQ(result.status, Status::recognized);
    ASSERT_EQ(result.lines.size(), 2u) << result.text.toStdString();
    EXPECT_TRUE(result.lines[0].contains(QStringLiteral("connection refused"))) << result.text.toStdString();
    EXPECT_TRUE(result.lines[1].contains(QStringLiteral("thirty seconds"))) << result.text.toStdString();
    EXPECT_EQ(result.text, result.lines[0] + QLatin1Char('\n') + result.lines[1]);
    EXPECT_EQ(result.languagesUsed, QStringList{QStringLiteral("eng")});
    EXPECT_EQ(result.imageSize, image.size());
    EXPECT_TRUE(logs.lines().empty());
}

TEST_F(TesseractRecognitionTest, SimplifiedChineseIsReadWithoutSpacesBetweenCharacters) {
    if (!TesseractTextRecognitionEngine().installedLanguages().contains(QStringLiteral("chi_sim"))) {
        GTEST_SKIP() << "tesseract-ocr-chi-sim is not installed";
    }
    const QImage image = test::renderedText({QStringLiteral("剪贴板历史记录"), QStringLiteral("搜索失败，请重新启动应用程序")},
                                            QStringLiteral("WenQuanYi Micro Hei"), 30);
    configure(ClipboardOCRLanguageMode::specified, ClipboardOCRLanguage::simplifiedChinese);
    ClipboardImageTextRecognition result = recognize(test::encoded(image));
    ASSERT_EQ(result.status, Status::recognized);
    EXPECT_EQ(result.languagesUsed, QStringList{QStringLiteral("chi_sim")});
    EXPECT_TRUE(result.text.contains(QStringLiteral("剪贴板历史记录"))) << result.text.toStdString();
    EXPECT_TRUE(result.text.contains(QStringLiteral("重新启动"))) << result.text.toStdString();

    // Automatic uses every installed language, so a mixed screenshot reads in both.
    const QImage mixed = test::renderedText({QStringLiteral("Settings saved successfully"), QStringLiteral("设置已保存")},
                                            QStringLiteral("WenQuanYi Micro Hei"), 30);
    configure(ClipboardOCRLanguageMode::automatic);
    result = recognize(test::encoded(mixed));
    EXPECT_EQ(result.languagesUsed, TesseractTextRecognitionEngine().installedLanguages());
    EXPECT_TRUE(result.text.contains(QStringLiteral("saved"))) << result.text.toStdString();
    EXPECT_TRUE(result.text.contains(QStringLiteral("设置"))) << result.text.toStdString();
}

TEST_F(TesseractRecognitionTest, ImagesWithoutTextGiveEmptyTextAndNoLogLine) {
    QImage gradient(640, 360, QImage::Format_RGB32);
    for (int y = 0; y < gradient.height(); ++y) {
        for (int x = 0; x < gradient.width(); ++x) {
            gradient.setPixel(x, y, qRgb(x * 255 / 640, y * 255 / 360, 128));
        }
    }
    QImage blank(800, 600, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QImage tiny(2, 2, QImage::Format_RGB32);
    tiny.fill(Qt::black);
    // Shapes and noise, as in a photo.
    QImage shapes(800, 600, QImage::Format_RGB32);
    shapes.fill(QColor(90, 140, 60));
    {
        QPainter painter(&shapes);
        QRandomGenerator generator(7);
        for (int i = 0; i < 60; ++i) {
            painter.setBrush(QColor::fromRgb(generator.generate()));
            painter.drawEllipse(generator.bounded(800), generator.bounded(600), 20 + generator.bounded(120),
                                20 + generator.bounded(120));
        }
        for (int i = 0; i < 20000; ++i) {
            shapes.setPixel(generator.bounded(800), generator.bounded(600), generator.generate());
        }
    }
    for (const QImage& image : {blank, gradient, tiny, shapes}) {
        test::LogCapture logs;
        const ClipboardImageTextRecognition result = recognize(test::encoded(image));
        EXPECT_EQ(result.status, Status::recognized);
        EXPECT_EQ(result.text, QString());
        EXPECT_TRUE(logs.lines().empty()) << logs.lines().front().message.toStdString();
    }
}

QByteArray bmpHeader(qint32 width, qint32 height) {
    QByteArray header(54, '\0');
    header[0] = 'B';
    header[1] = 'M';
    auto put32 = [&](int offset, quint32 value) { qToLittleEndian(value, header.data() + offset); };
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<quint32>(width));
    put32(22, static_cast<quint32>(height));
    header[26] = 1;
    header[28] = 24;
    return header;
}

TEST_F(TesseractRecognitionTest, HostileBytesAreRefusedWithTheConversionError) {
    const QByteArray png = test::encoded(test::renderedText({QStringLiteral("truncated text")}));
    QByteArray random(4096, '\0');
    QRandomGenerator generator(42);
    for (char& byte : random) byte = static_cast<char>(generator.bounded(256));
    // A PNG header that claims 30000x30000 pixels, followed by nothing.
    QByteArray bomb = png.left(33);
    qToBigEndian<quint32>(30000, bomb.data() + 16);
    qToBigEndian<quint32>(30000, bomb.data() + 20);
    qToBigEndian<quint32>(test::pngCrc(bomb.mid(12, 17)), bomb.data() + 29);
    const struct {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"empty", QByteArray()},
        {"random bytes", random},
        {"png signature only", png.left(8)},
        {"truncated png", png.left(png.size() / 3)},
        {"huge png header without data", bomb},
        {"huge bmp header without data", bmpHeader(30000, 30000)},
        {"text", QByteArray("not an image at all")},
    };
    for (const auto& row : rows) {
        test::LogCapture logs;
        const ClipboardImageTextRecognition result = recognize(row.bytes);
        EXPECT_EQ(result.status, Status::notAnImage) << row.name;
        EXPECT_TRUE(result.text.isEmpty()) << row.name;
        EXPECT_TRUE(logs.contains(LogLevel::error, ocrCategory, QStringLiteral("Failed to convert image data for OCR")))
            << row.name;
    }
}

TEST_F(TesseractRecognitionTest, AHugeImageIsScaledDownStreamingAndStillRead) {
    const QImage band = test::renderedText({QStringLiteral("Deployment finished")}, QStringLiteral("DejaVu Sans"), 300,
                                           QSize(6000, 600));
    const QByteArray png = test::hugeGreyPng(20000, 20000, band, 2500);
    ASSERT_LT(png.size(), 10 * 1024 * 1024) << "within the default item size limit";

    const std::optional<TextRecognitionBitmap> bitmap = OCRBitmapDecoder::decode(png);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->originalSize, QSize(20000, 20000));
    EXPECT_EQ(bitmap->image.size(), QSize(4000, 4000)) << "reduced by whole boxes of 5x5 pixels";
    const ClipboardImageTextRecognition result = recognize(png);
    EXPECT_EQ(result.status, Status::recognized);
    EXPECT_TRUE(result.text.contains(QStringLiteral("Deployment finished"))) << result.text.toStdString();
}

TEST_F(TesseractRecognitionTest, MissingLanguageDataDegradesToTheInstalledOnesWithOneWarning) {
    QTemporaryDir onlyEnglish;
    const QString english = TesseractTextRecognitionEngine::defaultDataDirectory() + QStringLiteral("/eng.traineddata");
    ASSERT_TRUE(QFile::link(english, onlyEnglish.filePath(QStringLiteral("eng.traineddata"))));
    configure(ClipboardOCRLanguageMode::specified, ClipboardOCRLanguage::japanese);
    const QByteArray png = test::encoded(test::renderedText({QStringLiteral("Quarterly report draft")}));

    test::LogCapture logs;
    ClipboardImageTextRecognizer recognizer(std::make_unique<TesseractTextRecognitionEngine>(onlyEnglish.path()), defaults);
    for (int i = 0; i < 2; ++i) {
        QFuture<ClipboardImageTextRecognition> future = recognizer.recognize(png);
        future.waitForFinished();
        EXPECT_EQ(future.result().status, Status::recognized);
        EXPECT_EQ(future.result().languagesUsed, QStringList{QStringLiteral("eng")});
        EXPECT_TRUE(future.result().text.contains(QStringLiteral("report"))) << future.result().text.toStdString();
    }
    int warnings = 0;
    for (const auto& line : logs.lines()) {
        warnings += line.level == LogLevel::warning && line.message.startsWith(QStringLiteral("No OCR language data for ja-JP"));
    }
    EXPECT_EQ(warnings, 1);

    // With no language data at all, every image fails with the request error, never a crash.
    QTemporaryDir empty;
    test::ScopedEnvironment prefix("TESSDATA_PREFIX", empty.path().toUtf8());
    const ClipboardImageTextRecognition none = recognize(png, std::make_unique<TesseractTextRecognitionEngine>(empty.path()));
    EXPECT_EQ(none.status, Status::failed);
    EXPECT_TRUE(logs.contains(LogLevel::error, ocrCategory, QStringLiteral("Failed to perform OCR request: no language data")));
}

TEST_F(TesseractRecognitionTest, ATimeLimitEndsRecognitionWithTheRecognitionError) {
    QStringList lines;
    for (int i = 0; i < 20; ++i) lines.append(QStringLiteral("line %1 of a long log file with many words").arg(i));
    const QByteArray png = test::encoded(test::renderedText(lines, QStringLiteral("DejaVu Sans"), 18, QSize(1200, 1000)));
    test::LogCapture logs;
    const ClipboardImageTextRecognition result =
        recognize(png, std::make_unique<TesseractTextRecognitionEngine>(QString(), OCRBitmapLimits{}, 1));
    EXPECT_EQ(result.status, Status::failed);
    EXPECT_TRUE(logs.contains(LogLevel::error, ocrCategory, QStringLiteral("OCR recognition error: recognition took longer")));
}

TEST(TesseractLanguages, RawValuesMapToTheLanguageDataNames) {
    const struct {
        const char* raw;
        const char* tesseract;
    } rows[] = {{"en-US", "eng"}, {"zh-Hans", "chi_sim"}, {"zh-Hant", "chi_tra"}, {"ja-JP", "jpn"}, {"ko-KR", "kor"},
                {"en", ""}, {"EN-US", ""}};
    for (const auto& row : rows) {
        EXPECT_EQ(TesseractTextRecognitionEngine::tesseractLanguage(QString::fromLatin1(row.raw)),
                  QString::fromLatin1(row.tesseract))
            << row.raw;
    }
}

} // namespace
} // namespace quellpad

namespace quellpad {
namespace {

TEST(TesseractLines, SpacesGoBetweenChineseOrJapaneseCharactersOnly) {
    const struct {
        const char* input;
        const char* expected;
    } rows[] = {
        {"剪 贴 板 历 史", "剪贴板历史"},
        {"搜 索 结 果 : 共 找 到", "搜索结果:共找到"},
        {"文 件 ， 已 保 存", "文件，已保存"},
        {"コ ピ ー し ま し た", "コピーしました"},
        {"error in 文 件 module", "error in 文件 module"},
        {"안녕 하세요 세계", "안녕 하세요 세계"},
        {"plain English words", "plain English words"},
        {"版本 2 . 0", "版本 2 . 0"},
        {"𠀀 𠀁", "𠀀𠀁"},
        {"", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(TesseractTextRecognitionEngine::withoutSpacesBetweenCJK(QString::fromUtf8(row.input)),
                  QString::fromUtf8(row.expected))
            << row.input;
    }
}

} // namespace
} // namespace quellpad
