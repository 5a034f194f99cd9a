// Text recognition with Tesseract (LSTM engine) over the installed language data.
//
// Languages: en-US = eng, zh-Hans = chi_sim, zh-Hant = chi_tra, ja-JP = jpn,
// ko-KR = kor; automatic detection uses every installed one of these. A requested
// language whose data is not installed degrades to the installed ones, with one
// warning per language for the life of the engine. The language data is looked for
// in $TESSDATA_PREFIX, else in the usual install locations.
//
// Tesseract's OpenMP parallelism is switched off on the calling thread: on a desktop
// it only competes with the user's work, and measured several times slower than one
// thread. One initialised Tesseract is kept per engine and re-initialised when the
// language set changes. Not thread-safe: one caller at a time.
#pragma once

#include <memory>
#include <set>

#include <QString>
#include <QStringList>

#include "platform/TextRecognitionEngine.h"
#include "platform/linux/OCRBitmapDecoder.h"

namespace tesseract {
class TessBaseAPI;
}

namespace quellpad {

class TesseractTextRecognitionEngine final : public TextRecognitionEngine {
public:
    // An empty dataDirectory means the default lookup.
    explicit TesseractTextRecognitionEngine(QString dataDirectory = {}, OCRBitmapLimits limits = {},
                                            int timeLimitMilliseconds = 120'000);
    ~TesseractTextRecognitionEngine() override;

    std::optional<TextRecognitionBitmap> bitmap(const QByteArray& encoded) override;
    TextRecognitionOutcome recognize(const TextRecognitionBitmap& bitmap, const TextRecognitionRequest& request,
                                     const std::function<bool()>& isCancelled) override;

    // The directory holding "<language>.traineddata"; empty when none is found.
    static QString defaultDataDirectory();
    // The Tesseract language of a language raw value; empty for an unknown value.
    static QString tesseractLanguage(const QString& rawLanguage);
    // The Tesseract languages of the five known ones installed in the data directory, in table order.
    QStringList installedLanguages() const;
    // The Tesseract languages a request runs with (empty when none is installed);
    // warns once for each requested language that is not installed.
    QStringList languagesFor(const TextRecognitionRequest& request);

    const QString& dataDirectory() const { return dataDirectory_; }

    // A recognised line without the spaces Tesseract puts between Chinese or Japanese
    // characters (and around punctuation next to them).
    static QString withoutSpacesBetweenCJK(const QString& line);

private:
    QString dataDirectory_;
    OCRBitmapLimits limits_;
    int timeLimitMilliseconds_;
    std::unique_ptr<tesseract::TessBaseAPI> api_;
    QString loadedLanguages_;
    std::set<QString> warnedMissingLanguages_;
};

} // namespace quellpad
