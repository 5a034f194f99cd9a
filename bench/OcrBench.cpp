// `quellpad-bench ocr [--json] [--rounds N] [--huge] [--text]`: text recognition as capture runs
// it (decode, Tesseract LSTM on one thread, lines), on 1920x1080 screenshot-like
// images: English lines, Simplified Chinese lines, and both with automatic language
// selection. For each: the first recognition (loading the language data), the median
// of the following rounds, how many of the drawn words came back, and the process's
// peak resident memory after the case (cumulative, so cases run in this order).
// --huge adds a 20000x20000 PNG (read row by row and scaled down); --text prints
// what was recognised.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include <QBuffer>
#include <QCommandLineParser>
#include <QFont>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>

#include <png.h>

#include "bench/BenchCommand.h"
#include "capture/ClipboardImageTextRecognizer.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/linux/TesseractTextRecognitionEngine.h"

namespace quellpad::bench {

namespace {

using Steady = std::chrono::steady_clock;

const QStringList englishLines{
    QStringLiteral("error: cannot find module 'clipboard-history' from '/home/user/project'"),
    QStringLiteral("Failed to compile 3 files in 2.41 seconds"),
    QStringLiteral("warning: unused variable 'previewText' in ClipboardPanel.cpp:218"),
    QStringLiteral("Connection timed out after 30 seconds"),
    QStringLiteral("Press Retry to run the build again or Cancel to stop"),
};
const QStringList chineseLines{
    QStringLiteral("剪贴板历史记录"),
    QStringLiteral("无法连接到服务器，请检查网络设置"),
    QStringLiteral("文件已保存到下载文件夹"),
    QStringLiteral("搜索结果：共找到十二条记录"),
    QStringLiteral("设置已更新，重新启动后生效"),
};

// A window on a desktop: title bar, sidebar, a button, and the lines in the content area.
QImage screenshot(const QStringList& lines, const QString& family) {
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.fill(QColor(58, 110, 165));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(160, 90, 1600, 900, QColor(248, 248, 248));
    painter.fillRect(160, 90, 1600, 44, QColor(225, 225, 228));
    painter.fillRect(160, 134, 260, 856, QColor(236, 238, 242));
    painter.fillRect(1560, 920, 160, 44, QColor(40, 120, 220));
    QFont title(family);
    title.setPixelSize(17);
    painter.setFont(title);
    painter.setPen(QColor(40, 40, 40));
    painter.drawText(190, 120, QStringLiteral("Quellpad"));
    QFont body(family);
    body.setPixelSize(20);
    painter.setFont(body);
    painter.setPen(QColor(30, 30, 30));
    int y = 200;
    for (const QString& line : lines) {
        painter.drawText(460, y, line);
        y += 56;
    }
    return image;
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// White 8-bit grey PNG written row by row, with `band` at row `top`.
QByteArray hugePng(int side, const QImage& band, int top) {
    QByteArray out;
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(writer);
    png_set_write_fn(
        writer, &out,
        [](png_structp p, png_bytep data, size_t length) {
            static_cast<QByteArray*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), qsizetype(length));
        },
        nullptr);
    png_set_compression_level(writer, 1);
    png_set_IHDR(writer, info, png_uint_32(side), png_uint_32(side), 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(writer, info);
    const QImage grey = band.convertToFormat(QImage::Format_Grayscale8);
    std::vector<png_byte> row(static_cast<size_t>(side));
    for (int y = 0; y < side; ++y) {
        std::fill(row.begin(), row.end(), png_byte(255));
        if (y >= top && y < top + grey.height()) {
            std::memcpy(row.data(), grey.constScanLine(y - top), static_cast<size_t>(std::min(side, grey.width())));
        }
        png_write_row(writer, row.data());
    }
    png_write_end(writer, info);
    png_destroy_write_struct(&writer, &info);
    return out;
}

// Words of four or more letters (English) or whole lines (Chinese, letters and digits) found in the result.
std::pair<int, int> found(const QStringList& lines, const QString& text, bool byLine) {
    int total = 0;
    int hits = 0;
    const QString folded = text.toCaseFolded();
    // Full-width and ASCII punctuation read alike; only letters and digits count.
    auto lettersOnly = [](const QString& value) {
        QString result;
        for (const QChar c : value) {
            if (c.isLetterOrNumber()) result.append(c);
        }
        return result;
    };
    for (const QString& line : lines) {
        if (byLine) {
            ++total;
            hits += lettersOnly(folded).contains(lettersOnly(line)) ? 1 : 0;
            continue;
        }
        for (const QString& word : line.split(QRegularExpression(QStringLiteral("[^A-Za-z]+")), Qt::SkipEmptyParts)) {
            if (word.size() >= 4) {
                ++total;
                hits += folded.contains(word.toCaseFolded()) ? 1 : 0;
            }
        }
    }
    return {hits, total};
}

struct Case {
    QString name;
    QByteArray image;
    ClipboardOCRConfiguration configuration;
    QStringList expected;
    bool byLine;
};

int runOcrBench(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Print one JSON object."));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Warm rounds per image (default 3)."),
                                          QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption hugeOption(QStringLiteral("huge"), QStringLiteral("Add a 20000x20000 PNG."));
    const QCommandLineOption textOption(QStringLiteral("text"), QStringLiteral("Print the recognised text."));
    parser.addOptions({jsonOption, roundsOption, hugeOption, textOption});
    if (!parser.parse(QStringList{QStringLiteral("quellpad-bench ocr")} + arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 2;
    }
    bool roundsOk = false;
    const int rounds = parser.value(roundsOption).toInt(&roundsOk);
    if (!roundsOk || rounds < 1) {
        std::fprintf(stderr, "--rounds needs a positive number\n");
        return 2;
    }
    const bool json = parser.isSet(jsonOption);
    TesseractTextRecognitionEngine probe;
    if (probe.installedLanguages().isEmpty()) {
        std::fprintf(stderr, "No Tesseract language data found (looked in \"%s\")\n", qPrintable(probe.dataDirectory()));
        return 1;
    }

    using M = ClipboardOCRLanguageMode;
    using L = ClipboardOCRLanguage;
    const QString latinFont = QStringLiteral("DejaVu Sans");
    const QString hanFont = QStringLiteral("WenQuanYi Micro Hei");
    std::vector<Case> cases{
        {QStringLiteral("english"), png(screenshot(englishLines, latinFont)), {M::specified, L::englishUS}, englishLines, false},
        {QStringLiteral("chinese"), png(screenshot(chineseLines, hanFont)), {M::specified, L::simplifiedChinese}, chineseLines, true},
        {QStringLiteral("automatic"), png(screenshot(englishLines.mid(0, 2) + chineseLines.mid(0, 2), hanFont)),
         {M::automatic, L::englishUS}, englishLines.mid(0, 2), false},
    };
    if (parser.isSet(hugeOption)) {
        QImage band(8000, 500, QImage::Format_RGB32);
        band.fill(Qt::white);
        QPainter painter(&band);
        QFont font(latinFont);
        font.setPixelSize(260);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(100, 340, QStringLiteral("Deployment finished"));
        painter.end();
        cases.push_back({QStringLiteral("huge20000"), hugePng(20000, band, 6000), {M::specified, L::englishUS},
                         {QStringLiteral("Deployment finished")}, false});
    }

    InMemoryDefaultsStore defaults;
    QJsonObject results;
    if (!json) {
        std::printf("OCR on one thread, LSTM engine, language data in %s\n", qPrintable(probe.dataDirectory()));
        std::printf("peak RSS at start: %.1f MB\n", double(peakResidentBytes()) / 1048576.0);
    }
    for (const Case& benchCase : cases) {
        ClipboardImageTextRecognizer recognizer(std::make_unique<TesseractTextRecognitionEngine>(), defaults,
                                                benchCase.configuration);
        auto timed = [&](ClipboardImageTextRecognition* out) {
            const auto start = Steady::now();
            QFuture<ClipboardImageTextRecognition> future = recognizer.recognize(benchCase.image);
            future.waitForFinished();
            *out = future.result();
            return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
        };
        ClipboardImageTextRecognition result;
        const double firstMs = timed(&result);
        std::vector<double> warm;
        for (int i = 0; i < rounds; ++i) {
            warm.push_back(timed(&result));
        }
        const auto [hits, total] = found(benchCase.expected, result.text, benchCase.byLine);
        const double peakMB = double(peakResidentBytes()) / 1048576.0;
        results.insert(benchCase.name,
                       QJsonObject{{QStringLiteral("imageBytes"), benchCase.image.size()},
                                   {QStringLiteral("languages"), QJsonArray::fromStringList(result.languagesUsed)},
                                   {QStringLiteral("firstMs"), firstMs},
                                   {QStringLiteral("warmMedianMs"), percentile(warm, 50)},
                                   {QStringLiteral("warmMinMs"), *std::min_element(warm.begin(), warm.end())},
                                   {QStringLiteral("found"), hits},
                                   {QStringLiteral("expected"), total},
                                   {QStringLiteral("lines"), int(result.lines.size())},
                                   {QStringLiteral("peakResidentMB"), peakMB}});
        if (!json) {
            std::printf("%-10s %-15s first %7.0f ms   warm median %7.0f ms (min %.0f, %d rounds)   found %d/%d   "
                        "peak RSS %.1f MB\n",
                        qPrintable(benchCase.name), qPrintable(result.languagesUsed.join(QLatin1Char('+'))), firstMs,
                        percentile(warm, 50), *std::min_element(warm.begin(), warm.end()), rounds, hits, total, peakMB);
            if (parser.isSet(textOption)) {
                std::printf("%s\n", qPrintable(result.text));
            }
        }
    }
    if (json) {
        std::printf("%s\n", QJsonDocument(results).toJson(QJsonDocument::Compact).constData());
    }
    return 0;
}

const BenchRegistration registration({QStringLiteral("ocr"), QStringLiteral("Text recognition time and memory"), runOcrBench});

} // namespace

} // namespace quellpad::bench
