// Text recognition over a bitmap: the platform's recogniser (Tesseract on Linux)
// behind the capture logic, which decides the languages and logs the outcome.
#pragma once

#include <functional>
#include <optional>
#include <variant>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

namespace quellpad {

enum class TextRecognitionLevel { accurate, fast };

struct TextRecognitionRequest {
    TextRecognitionLevel level = TextRecognitionLevel::accurate;
    // On: the engine chooses among every language it has, and `languages` is empty.
    bool automaticallyDetectsLanguage = false;
    // Language raw values ("en-US", "zh-Hans", "zh-Hant", "ja-JP", "ko-KR"), most likely first.
    QStringList languages;

    bool operator==(const TextRecognitionRequest&) const = default;
};

// The image as recognition sees it.
struct TextRecognitionBitmap {
    // 8-bit grey, possibly scaled down from the original.
    QImage image;
    QSize originalSize;
};

struct TextRecognitionObservations {
    // The best candidate of each recognised line, in reading order.
    std::vector<QString> lines;
    // The engine's names of the languages it actually used.
    QStringList languagesUsed;
};

struct TextRecognitionError {
    enum class Stage {
        // The request could not be run at all (no language data, engine failed to start).
        perform,
        // The request ran and reported a failure (time limit, cancelled, engine error).
        recognition,
    };
    Stage stage;
    // English.
    QString description;
};

using TextRecognitionOutcome = std::variant<TextRecognitionObservations, TextRecognitionError>;

// Not thread-safe: one caller at a time (the recogniser's worker).
class TextRecognitionEngine {
public:
    virtual ~TextRecognitionEngine() = default;

    // Decodes encoded image bytes into the bitmap recognition runs on, scaled down
    // when the image is larger than recognition handles; nullopt when it does not decode.
    virtual std::optional<TextRecognitionBitmap> bitmap(const QByteArray& encoded) = 0;
    // Runs recognition. `isCancelled` is polled while it runs; returning true ends the
    // work early with a recognition error.
    virtual TextRecognitionOutcome recognize(const TextRecognitionBitmap& bitmap, const TextRecognitionRequest& request,
                                             const std::function<bool()>& isCancelled) = 0;
};

} // namespace quellpad
