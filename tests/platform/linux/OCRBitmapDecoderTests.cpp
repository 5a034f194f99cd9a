#include <gtest/gtest.h>

#include "support/OcrTestImages.h"
#include "platform/linux/OCRBitmapDecoder.h"

namespace quellpad {
namespace {

TEST(OCRBitmapDecoder, TargetSizeKeepsImagesThatFitAndShrinksOthersInProportion) {
    const OCRBitmapLimits limits{1000 * 1000, 1500, 1LL << 30};
    const struct {
        QSize original;
        QSize target;
    } rows[] = {
        {{1000, 1000}, {1000, 1000}},
        {{800, 1200}, {800, 1200}},
        {{2000, 2000}, {1000, 1000}},
        {{4000, 1000}, {1500, 375}},
        {{100, 30000}, {5, 1500}},
        {{1, 1000000}, {1, 1500}},
        {{0, 0}, {0, 0}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(OCRBitmapDecoder::targetSize(row.original, limits), row.target)
            << row.original.width() << "x" << row.original.height();
    }
}

TEST(OCRBitmapDecoder, TransparentPixelsBecomeWhiteAndTextStaysDark) {
    QImage image(40, 20, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int x = 10; x < 20; ++x) image.setPixel(x, 5, qRgba(0, 0, 0, 255));
    image.setPixel(30, 5, qRgba(0, 0, 0, 128));
    const std::optional<TextRecognitionBitmap> bitmap = OCRBitmapDecoder::decode(test::encoded(image));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->image.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(qGray(bitmap->image.pixel(0, 0)), 255);
    EXPECT_EQ(qGray(bitmap->image.pixel(12, 5)), 0);
    EXPECT_NEAR(qGray(bitmap->image.pixel(30, 5)), 127, 1);
}

TEST(OCRBitmapDecoder, StreamedReductionAveragesWholeBoxesLikeAFullDecode) {
    // Columns of black and white two pixels wide, rows alternating in four-pixel bands.
    QImage pattern(103, 50, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y) {
        for (int x = 0; x < pattern.width(); ++x) {
            pattern.setPixel(x, y, ((x / 2) % 2 == 0) == ((y / 4) % 2 == 0) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    // Tiny limits force the row-by-row path on a small image.
    const OCRBitmapLimits limits{30 * 15, 1000, 100};
    for (const QImage& image : {pattern, pattern.convertToFormat(QImage::Format_ARGB32),
                                pattern.convertToFormat(QImage::Format_Grayscale8),
                                pattern.convertToFormat(QImage::Format_Indexed8)}) {
        const std::optional<TextRecognitionBitmap> bitmap = OCRBitmapDecoder::decode(test::encoded(image), limits);
        ASSERT_TRUE(bitmap) << image.format();
        EXPECT_EQ(bitmap->originalSize, QSize(103, 50));
        // targetSize 30x14 -> whole boxes of 4x4: 26x13, the last column and row partial.
        ASSERT_EQ(bitmap->image.size(), QSize(26, 13)) << image.format();
        EXPECT_EQ(qGray(bitmap->image.pixel(0, 0)), 127) << "half black, half white";
        // The last box holds only columns 100..102: black, black, white.
        EXPECT_EQ(qGray(bitmap->image.pixel(25, 0)), 85) << image.format();
    }
}

TEST(OCRBitmapDecoder, TruncatedLargePngFailsWithoutPartialResults) {
    const QImage band = test::renderedText({QStringLiteral("x")}, QStringLiteral("DejaVu Sans"), 20, QSize(300, 40));
    const QByteArray png = test::hugeGreyPng(3000, 3000, band, 100);
    const OCRBitmapLimits limits{1000 * 1000, 4000, 1024};
    EXPECT_TRUE(OCRBitmapDecoder::decode(png, limits));
    EXPECT_FALSE(OCRBitmapDecoder::decode(png.left(png.size() - 100), limits));
    EXPECT_FALSE(OCRBitmapDecoder::decode(png.left(200), limits));
}

} // namespace
} // namespace quellpad
