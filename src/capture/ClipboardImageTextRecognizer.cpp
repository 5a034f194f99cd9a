#include "capture/ClipboardImageTextRecognizer.h"

#include "Core/Utilities/Logger.h"
#include "settings/AppPreferences.h"

namespace quellpad {

namespace {
const QString logCategory = QStringLiteral("ClipboardOCR");
}

ClipboardImageTextRecognizer::ClipboardImageTextRecognizer(std::unique_ptr<TextRecognitionEngine> engine,
                                                           DefaultsStore& defaults,
                                                           std::optional<ClipboardOCRConfiguration> fixedConfiguration,
                                                           TextRecognitionLevel recognitionLevel, int maxWaitingImages)
    : engine_(std::move(engine)),
      defaults_(defaults),
      fixedConfiguration_(fixedConfiguration),
      recognitionLevel_(recognitionLevel),
      maxWaitingImages_(std::max(1, maxWaitingImages)) {}

ClipboardImageTextRecognizer::~ClipboardImageTextRecognizer() {
    std::deque<Job> skipped;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        skipped.swap(waiting_);
    }
    cancelled_ = true;
    for (Job& job : skipped) {
        finish(job, {});
    }
}

TextRecognitionRequest ClipboardImageTextRecognizer::request(const ClipboardOCRConfiguration& configuration,
                                                             TextRecognitionLevel level) {
    TextRecognitionRequest request;
    request.level = level;
    if (configuration.mode == ClipboardOCRLanguageMode::automatic) {
        request.automaticallyDetectsLanguage = true;
    } else {
        request.languages = QStringList{rawValue(configuration.language)};
    }
    return request;
}

QFuture<QString> ClipboardImageTextRecognizer::recognizeText(const QByteArray& imageData) {
    return recognize(imageData).then([](const ClipboardImageTextRecognition& result) { return result.text; });
}

QFuture<std::optional<QString>> ClipboardImageTextRecognizer::recognizeTextUnlessSkipped(const QByteArray& imageData) {
    return recognize(imageData).then([](const ClipboardImageTextRecognition& result) -> std::optional<QString> {
        if (result.status == ClipboardImageTextRecognition::Status::skipped) {
            return std::nullopt;
        }
        return result.text;
    });
}

bool ClipboardImageTextRecognizer::isIdle() const {
    std::lock_guard lock(mutex_);
    return outstanding_ == 0;
}

void ClipboardImageTextRecognizer::setIdleHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    idleHandler_ = std::move(handler);
}

void ClipboardImageTextRecognizer::jobDone() {
    std::function<void()> handler;
    {
        std::lock_guard lock(mutex_);
        if (--outstanding_ > 0 || stopping_) {
            return;
        }
        handler = idleHandler_;
    }
    if (handler) {
        handler();
    }
}

QFuture<ClipboardImageTextRecognition> ClipboardImageTextRecognizer::recognize(const QByteArray& imageData) {
    auto promise = std::make_shared<QPromise<ClipboardImageTextRecognition>>();
    QFuture<ClipboardImageTextRecognition> future = promise->future();
    promise->start();
    std::optional<Job> dropped;
    bool droppedWasQueued = false;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            dropped = Job{imageData, promise};
        } else {
            if (static_cast<int>(waiting_.size()) >= maxWaitingImages_) {
                dropped = std::move(waiting_.front());
                waiting_.pop_front();
                droppedWasQueued = true;
            }
            waiting_.push_back({imageData, promise});
            ++outstanding_;
        }
    }
    if (dropped) {
        if (dropped->promise != promise) {
            Logger::warning(QStringLiteral("Images arrive faster than text recognition; skipped an earlier image"),
                            logCategory);
        }
        finish(*dropped, {});
        if (droppedWasQueued) {
            jobDone();
        }
    }
    // One run per queued job; a run that finds its job skipped has nothing to do.
    worker_.async([this] { runNextJob(); });
    return future;
}

void ClipboardImageTextRecognizer::runNextJob() {
    std::optional<Job> job;
    {
        std::lock_guard lock(mutex_);
        if (waiting_.empty()) {
            return;
        }
        job = std::move(waiting_.front());
        waiting_.pop_front();
    }
    finish(*job, perform(job->imageData));
    jobDone();
}

void ClipboardImageTextRecognizer::finish(Job& job, ClipboardImageTextRecognition result) {
    job.promise->addResult(std::move(result));
    job.promise->finish();
}

ClipboardImageTextRecognition ClipboardImageTextRecognizer::perform(const QByteArray& imageData) {
    ClipboardImageTextRecognition result;
    const std::optional<TextRecognitionBitmap> bitmap = engine_->bitmap(imageData);
    if (!bitmap) {
        Logger::error(QStringLiteral("Failed to convert image data for OCR"), logCategory);
        result.status = ClipboardImageTextRecognition::Status::notAnImage;
        return result;
    }
    result.imageSize = bitmap->originalSize;
    const ClipboardOCRConfiguration configuration =
        fixedConfiguration_.value_or(AppPreferences(defaults_).ocrConfiguration());
    const TextRecognitionOutcome outcome =
        engine_->recognize(*bitmap, request(configuration, recognitionLevel_), [this] { return cancelled_.load(); });
    if (const auto* error = std::get_if<TextRecognitionError>(&outcome)) {
        if (cancelled_) {
            result.status = ClipboardImageTextRecognition::Status::skipped;
            return result;
        }
        Logger::error((error->stage == TextRecognitionError::Stage::perform ? QStringLiteral("Failed to perform OCR request: ")
                                                                           : QStringLiteral("OCR recognition error: ")) +
                          error->description,
                      logCategory);
        result.status = ClipboardImageTextRecognition::Status::failed;
        result.errorDescription = error->description;
        return result;
    }
    const auto& observations = std::get<TextRecognitionObservations>(outcome);
    result.status = ClipboardImageTextRecognition::Status::recognized;
    result.languagesUsed = observations.languagesUsed;
    for (const QString& line : observations.lines) {
        if (!line.isEmpty()) {
            result.lines.push_back(line);
        }
    }
    QStringList lines(result.lines.begin(), result.lines.end());
    result.text = lines.join(QLatin1Char('\n'));
    return result;
}

} // namespace quellpad
