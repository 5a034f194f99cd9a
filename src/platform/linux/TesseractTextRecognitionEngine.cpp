#include "platform/linux/TesseractTextRecognitionEngine.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include "Core/Utilities/Logger.h"

namespace quellpad {

namespace {

const QString logCategory = QStringLiteral("ClipboardOCR");

struct LanguageData {
    const char* raw;
    const char* tesseract;
};
// In the order of the settings' language list.
constexpr std::array<LanguageData, 5> languageTable{{
    {"en-US", "eng"},
    {"zh-Hans", "chi_sim"},
    {"zh-Hant", "chi_tra"},
    {"ja-JP", "jpn"},
    {"ko-KR", "kor"},
}};

// A line whose best word is less certain than this is noise read into a picture.
constexpr float minWordConfidence = 30.0F;
// Tesseract does not take images narrower or lower than this.
constexpr int minImageSide = 3;
// Screen resolution: recognition's size heuristics assume it when the image has none.
constexpr int screenPixelsPerInch = 96;

bool hasLanguageData(const QString& directory) {
    return !QDir(directory).entryList({QStringLiteral("*.traineddata")}, QDir::Files).isEmpty();
}

// OpenMP reads OMP_THREAD_LIMIT only when it is loaded, which happens before main
// with Tesseract linked in; no active parallel levels is the run-time equivalent. It
// applies to the calling thread (the recognition worker). Looked up at run time so a
// Tesseract built without OpenMP needs nothing.
void disableOpenMPParallelism() {
    thread_local bool done = false;
    if (done) {
        return;
    }
    done = true;
    using SetInt = void (*)(int);
    if (auto setMaxActiveLevels = reinterpret_cast<SetInt>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"))) {
        setMaxActiveLevels(0);
    }
    if (auto setNumThreads = reinterpret_cast<SetInt>(dlsym(RTLD_DEFAULT, "omp_set_num_threads"))) {
        setNumThreads(1);
    }
}

bool isCJK(char32_t c) {
    return (c >= 0x2E80 && c <= 0x2FDF) || (c >= 0x3000 && c <= 0x312F) || (c >= 0x31F0 && c <= 0x31FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x2FA1F);
}

bool isAsciiPunctuation(char32_t c) { return c < 0x80 && QChar::isPunct(c); }

} // namespace

// Tesseract separates every Chinese and Japanese character with a space, and puts
// spaces around the ASCII punctuation it reads for full-width marks; those scripts
// use no spaces there, so a run of spaces goes when it has a CJK character on one side
// and a CJK character or punctuation on the other.
QString TesseractTextRecognitionEngine::withoutSpacesBetweenCJK(const QString& line) {
    const QList<uint> codePoints = line.toUcs4();
    auto joinsCJK = [](char32_t before, char32_t after) {
        return (isCJK(before) && (isCJK(after) || isAsciiPunctuation(after))) ||
               (isAsciiPunctuation(before) && isCJK(after));
    };
    QList<uint> kept;
    kept.reserve(codePoints.size());
    for (qsizetype i = 0; i < codePoints.size(); ++i) {
        if (QChar::isSpace(codePoints[i]) && !kept.isEmpty()) {
            qsizetype next = i;
            while (next < codePoints.size() && QChar::isSpace(codePoints[next])) {
                ++next;
            }
            if (next < codePoints.size() && joinsCJK(kept.back(), codePoints[next])) {
                i = next - 1;
                continue;
            }
        }
        kept.append(codePoints[i]);
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(kept.constData()), kept.size());
}

namespace {

bool hasLetterOrNumber(const QString& line) {
    return std::any_of(line.begin(), line.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

bool callCancel(void* isCancelled, int) { return (*static_cast<const std::function<bool()>*>(isCancelled))(); }

} // namespace

TesseractTextRecognitionEngine::TesseractTextRecognitionEngine(QString dataDirectory, OCRBitmapLimits limits,
                                                               int timeLimitMilliseconds)
    : dataDirectory_(dataDirectory.isEmpty() ? defaultDataDirectory() : std::move(dataDirectory)),
      limits_(limits),
      timeLimitMilliseconds_(timeLimitMilliseconds) {}

TesseractTextRecognitionEngine::~TesseractTextRecognitionEngine() {
    if (api_) {
        api_->End();
    }
}

QString TesseractTextRecognitionEngine::defaultDataDirectory() {
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!prefix.isEmpty()) {
        // Tesseract takes the directory itself; some set its parent.
        for (const QString& candidate : {prefix, prefix + QStringLiteral("/tessdata")}) {
            if (hasLanguageData(candidate)) {
                return QDir(candidate).absolutePath();
            }
        }
    }
    for (const char* candidate : {"/usr/share/tesseract-ocr/5/tessdata", "/usr/share/tesseract-ocr/4.00/tessdata",
                                  "/usr/share/tessdata", "/usr/local/share/tessdata",
                                  "/usr/local/share/tesseract-ocr/5/tessdata"}) {
        if (hasLanguageData(QString::fromLatin1(candidate))) {
            return QString::fromLatin1(candidate);
        }
    }
    return prefix;
}

QString TesseractTextRecognitionEngine::tesseractLanguage(const QString& rawLanguage) {
    for (const LanguageData& language : languageTable) {
        if (rawLanguage == QLatin1String(language.raw)) {
            return QString::fromLatin1(language.tesseract);
        }
    }
    return {};
}

QStringList TesseractTextRecognitionEngine::installedLanguages() const {
    QStringList installed;
    if (dataDirectory_.isEmpty()) {
        return installed;
    }
    for (const LanguageData& language : languageTable) {
        const QString code = QString::fromLatin1(language.tesseract);
        if (QFileInfo(dataDirectory_ + QLatin1Char('/') + code + QStringLiteral(".traineddata")).isFile()) {
            installed.append(code);
        }
    }
    return installed;
}

QStringList TesseractTextRecognitionEngine::languagesFor(const TextRecognitionRequest& request) {
    const QStringList installed = installedLanguages();
    if (request.automaticallyDetectsLanguage) {
        return installed;
    }
    QStringList chosen;
    for (const QString& raw : request.languages) {
        const QString code = tesseractLanguage(raw);
        if (!code.isEmpty() && installed.contains(code)) {
            chosen.append(code);
        } else if (!installed.isEmpty() && warnedMissingLanguages_.insert(raw).second) {
            Logger::warning(QStringLiteral("No OCR language data for %1 (%2.traineddata) in %3; recognising with %4")
                                .arg(raw, code.isEmpty() ? QStringLiteral("?") : code, dataDirectory_,
                                     installed.join(QLatin1Char('+'))),
                            logCategory);
        }
    }
    return chosen.isEmpty() ? installed : chosen;
}

std::optional<TextRecognitionBitmap> TesseractTextRecognitionEngine::bitmap(const QByteArray& encoded) {
    return OCRBitmapDecoder::decode(encoded, limits_);
}

TextRecognitionOutcome TesseractTextRecognitionEngine::recognize(const TextRecognitionBitmap& bitmap,
                                                                 const TextRecognitionRequest& request,
                                                                 const std::function<bool()>& isCancelled) {
    const QStringList languages = languagesFor(request);
    if (languages.isEmpty()) {
        return TextRecognitionError{
            TextRecognitionError::Stage::perform,
            QStringLiteral("no language data for en-US, zh-Hans, zh-Hant, ja-JP or ko-KR is installed in \"%1\"")
                .arg(dataDirectory_)};
    }
    TextRecognitionObservations observations;
    observations.languagesUsed = languages;
    const QImage& image = bitmap.image;
    if (image.width() < minImageSide || image.height() < minImageSide) {
        return observations;
    }
    disableOpenMPParallelism();
    const QString joined = languages.join(QLatin1Char('+'));
    if (!api_ || loadedLanguages_ != joined) {
        loadedLanguages_.clear();
        api_ = std::make_unique<tesseract::TessBaseAPI>();
        // Tesseract's own diagnostics would clutter standard error; failures are reported here.
        const std::vector<std::string> names{"debug_file"};
        const std::vector<std::string> values{"/dev/null"};
        if (api_->Init(QFile::encodeName(dataDirectory_).constData(), joined.toLatin1().constData(),
                       tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false) != 0) {
            api_.reset();
            return TextRecognitionError{TextRecognitionError::Stage::perform,
                                        QStringLiteral("Tesseract could not load the language data %1 from \"%2\"")
                                            .arg(joined, dataDirectory_)};
        }
        loadedLanguages_ = joined;
    }
    const QImage grey = image.format() == QImage::Format_Grayscale8 ? image : image.convertToFormat(QImage::Format_Grayscale8);
    api_->SetPageSegMode(tesseract::PSM_AUTO);
    api_->SetImage(grey.constBits(), grey.width(), grey.height(), 1, static_cast<int>(grey.bytesPerLine()));
    api_->SetSourceResolution(screenPixelsPerInch);

    tesseract::ETEXT_DESC monitor;
    std::function<bool()> cancelled = isCancelled ? isCancelled : [] { return false; };
    monitor.cancel = callCancel;
    monitor.cancel_this = &cancelled;
    monitor.set_deadline_msecs(timeLimitMilliseconds_);
    if (api_->Recognize(&monitor) != 0) {
        const QString reason = cancelled() ? QStringLiteral("recognition was cancelled")
                               : monitor.deadline_exceeded()
                                   ? QStringLiteral("recognition took longer than %1 s").arg(timeLimitMilliseconds_ / 1000)
                                   : QStringLiteral("Tesseract could not recognise the image");
        api_->Clear();
        return TextRecognitionError{TextRecognitionError::Stage::recognition, reason};
    }
    // Words are gathered into lines so that a line is dropped only when none of its
    // words is believable: Tesseract's line confidence is dragged to 0 by one bad
    // character, while lines read into pictures have no good word at all.
    std::unique_ptr<tesseract::ResultIterator> iterator(api_->GetIterator());
    QStringList words;
    float bestConfidence = 0;
    auto endLine = [&] {
        const QString line = withoutSpacesBetweenCJK(words.join(QLatin1Char(' ')));
        if (bestConfidence >= minWordConfidence && hasLetterOrNumber(line)) {
            observations.lines.push_back(line);
        }
        words.clear();
        bestConfidence = 0;
    };
    if (iterator && !iterator->Empty(tesseract::RIL_WORD)) {
        do {
            if (iterator->IsAtBeginningOf(tesseract::RIL_TEXTLINE) && !words.isEmpty()) {
                endLine();
            }
            const std::unique_ptr<char[]> word(iterator->GetUTF8Text(tesseract::RIL_WORD));
            const QString text = word ? QString::fromUtf8(word.get()).trimmed() : QString();
            if (!text.isEmpty()) {
                words.append(text);
                bestConfidence = std::max(bestConfidence, iterator->Confidence(tesseract::RIL_WORD));
            }
        } while (iterator->Next(tesseract::RIL_WORD));
        endLine();
    }
    iterator.reset();
    api_->Clear();
    return observations;
}

} // namespace quellpad
