// The recogniser's own logic over a scripted engine: the request each configuration
// makes, joining, log lines, the bounded queue and shutdown.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "settings/AppPreferences.h"
#include "capture/ClipboardImageTextRecognizer.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

const QString ocrCategory = QStringLiteral("ClipboardOCR");

// Decodes "IMAGE:<lines separated by |>", fails on "ERROR:<stage>:<text>", can hold
// every recognition until released.
class ScriptedEngine final : public TextRecognitionEngine {
public:
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        bool holding = false;
        int started = 0;
        std::vector<QByteArray> recognized;
        std::vector<TextRecognitionRequest> requests;
        bool sawCancel = false;
    };
    explicit ScriptedEngine(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

    std::optional<TextRecognitionBitmap> bitmap(const QByteArray& encoded) override {
        if (!encoded.startsWith("IMAGE:") && !encoded.startsWith("ERROR:")) {
            return std::nullopt;
        }
        QImage image(4, 4, QImage::Format_Grayscale8);
        image.setText(QStringLiteral("payload"), QString::fromUtf8(encoded));
        return TextRecognitionBitmap{image, QSize(40, 30)};
    }

    TextRecognitionOutcome recognize(const TextRecognitionBitmap& bitmap, const TextRecognitionRequest& request,
                                     const std::function<bool()>& isCancelled) override {
        const QString payload = bitmap.image.text(QStringLiteral("payload"));
        {
            std::unique_lock lock(shared_->mutex);
            ++shared_->started;
            shared_->requests.push_back(request);
            shared_->changed.notify_all();
            while (shared_->holding) {
                if (isCancelled()) {
                    shared_->sawCancel = true;
                    return TextRecognitionError{TextRecognitionError::Stage::recognition, QStringLiteral("cancelled")};
                }
                shared_->changed.wait_for(lock, std::chrono::milliseconds(5));
            }
            shared_->recognized.push_back(payload.toUtf8());
        }
        if (payload.startsWith(QStringLiteral("ERROR:perform:"))) {
            return TextRecognitionError{TextRecognitionError::Stage::perform, payload.mid(14)};
        }
        if (payload.startsWith(QStringLiteral("ERROR:"))) {
            return TextRecognitionError{TextRecognitionError::Stage::recognition, payload.mid(6)};
        }
        TextRecognitionObservations observations;
        for (const QString& line : payload.mid(6).split(QLatin1Char('|'))) {
            observations.lines.push_back(line);
        }
        observations.languagesUsed = {QStringLiteral("eng")};
        return observations;
    }

private:
    std::shared_ptr<Shared> shared_;
};

class RecognizerTest : public ::testing::Test {
protected:
    InMemoryDefaultsStore defaults;
    std::shared_ptr<ScriptedEngine::Shared> engine = std::make_shared<ScriptedEngine::Shared>();

    std::unique_ptr<ClipboardImageTextRecognizer> make(std::optional<ClipboardOCRConfiguration> fixed = std::nullopt,
                                                       int maxWaiting = 2) {
        return std::make_unique<ClipboardImageTextRecognizer>(std::make_unique<ScriptedEngine>(engine), defaults, fixed,
                                                              TextRecognitionLevel::accurate, maxWaiting);
    }
    void hold(bool holding) {
        std::lock_guard lock(engine->mutex);
        engine->holding = holding;
        engine->changed.notify_all();
    }
    void waitUntilStarted(int count) {
        std::unique_lock lock(engine->mutex);
        engine->changed.wait_for(lock, std::chrono::seconds(10), [&] { return engine->started >= count; });
    }
};

TEST(RecognitionRequest, ConfigurationsMapToLanguagesOrAutomaticDetection) {
    using M = ClipboardOCRLanguageMode;
    using L = ClipboardOCRLanguage;
    const struct {
        ClipboardOCRConfiguration configuration;
        bool automatic;
        QStringList languages;
    } rows[] = {
        {{M::automatic, L::japanese}, true, {}},
        {{M::specified, L::englishUS}, false, {QStringLiteral("en-US")}},
        {{M::specified, L::simplifiedChinese}, false, {QStringLiteral("zh-Hans")}},
        {{M::specified, L::traditionalChinese}, false, {QStringLiteral("zh-Hant")}},
        {{M::specified, L::japanese}, false, {QStringLiteral("ja-JP")}},
        {{M::specified, L::korean}, false, {QStringLiteral("ko-KR")}},
    };
    for (const auto& row : rows) {
        const TextRecognitionRequest request =
            ClipboardImageTextRecognizer::request(row.configuration, TextRecognitionLevel::accurate);
        EXPECT_EQ(request.automaticallyDetectsLanguage, row.automatic);
        EXPECT_EQ(request.languages, row.languages);
        EXPECT_EQ(request.level, TextRecognitionLevel::accurate);
    }
}

TEST_F(RecognizerTest, ReadsTheStoredConfigurationAtEachRecognitionUnlessFixed) {
    auto recognizer = make();
    AppPreferences preferences(defaults);
    recognizer->recognizeText("IMAGE:a").waitForFinished();
    preferences.setOCRConfiguration({ClipboardOCRLanguageMode::specified, ClipboardOCRLanguage::japanese});
    recognizer->recognizeText("IMAGE:b").waitForFinished();
    defaults.set(QStringLiteral("ClipboardMonitorOCRLanguageMode"), QStringLiteral("Automatic"));
    defaults.set(QStringLiteral("ClipboardMonitorOCRSpecifiedLanguage"), QStringLiteral("ja"));
    recognizer->recognizeText("IMAGE:c").waitForFinished();
    defaults.set(QStringLiteral("ClipboardMonitorOCRLanguageMode"), QStringLiteral("automatic"));
    recognizer->recognizeText("IMAGE:d").waitForFinished();
    auto fixed = make(ClipboardOCRConfiguration{ClipboardOCRLanguageMode::specified, ClipboardOCRLanguage::korean});
    fixed->recognizeText("IMAGE:e").waitForFinished();

    ASSERT_EQ(engine->requests.size(), 5u);
    EXPECT_EQ(engine->requests[0].languages, QStringList{QStringLiteral("en-US")});
    EXPECT_EQ(engine->requests[1].languages, QStringList{QStringLiteral("ja-JP")});
    EXPECT_EQ(engine->requests[2].languages, QStringList{QStringLiteral("en-US")}) << "mistyped values read as defaults";
    EXPECT_TRUE(engine->requests[3].automaticallyDetectsLanguage);
    EXPECT_TRUE(engine->requests[3].languages.isEmpty());
    EXPECT_EQ(engine->requests[4].languages, QStringList{QStringLiteral("ko-KR")});
}

TEST_F(RecognizerTest, JoinsLinesInOrderAndLogsEachKindOfFailure) {
    auto recognizer = make();
    const struct {
        QByteArray input;
        QString text;
        ClipboardImageTextRecognition::Status status;
        const char* logged;
    } rows[] = {
        {"IMAGE:first line|second line", QStringLiteral("first line\nsecond line"),
         ClipboardImageTextRecognition::Status::recognized, nullptr},
        {"IMAGE:", QString(), ClipboardImageTextRecognition::Status::recognized, nullptr},
        {"not an image", QString(), ClipboardImageTextRecognition::Status::notAnImage, "Failed to convert image data for OCR"},
        {"", QString(), ClipboardImageTextRecognition::Status::notAnImage, "Failed to convert image data for OCR"},
        {"ERROR:perform:no data", QString(), ClipboardImageTextRecognition::Status::failed,
         "Failed to perform OCR request: no data"},
        {"ERROR:took too long", QString(), ClipboardImageTextRecognition::Status::failed, "OCR recognition error: took too long"},
    };
    for (const auto& row : rows) {
        test::LogCapture logs;
        QFuture<ClipboardImageTextRecognition> future = recognizer->recognize(row.input);
        future.waitForFinished();
        const ClipboardImageTextRecognition result = future.result();
        EXPECT_EQ(result.status, row.status) << row.input.constData();
        EXPECT_EQ(result.text, row.text) << row.input.constData();
        QFuture<QString> text = recognizer->recognizeText(row.input);
        text.waitForFinished();
        EXPECT_EQ(text.result(), row.text);
        if (row.logged != nullptr) {
            EXPECT_TRUE(logs.contains(LogLevel::error, ocrCategory, QString::fromUtf8(row.logged))) << row.logged;
        } else {
            EXPECT_TRUE(logs.lines().empty()) << row.input.constData();
        }
    }
}

TEST_F(RecognizerTest, ACopyStormKeepsTheQueueBoundedAndRecognisesTheNewestImages) {
    auto recognizer = make(std::nullopt, 2);
    hold(true);
    test::LogCapture logs;
    std::vector<QFuture<QString>> futures;
    futures.push_back(recognizer->recognizeText("IMAGE:0"));
    waitUntilStarted(1);
    for (int i = 1; i < 1000; ++i) {
        futures.push_back(recognizer->recognizeText("IMAGE:" + QByteArray::number(i)));
    }
    hold(false);
    for (auto& future : futures) {
        future.waitForFinished();
    }
    EXPECT_EQ(engine->recognized, (std::vector<QByteArray>{"IMAGE:0", "IMAGE:998", "IMAGE:999"}));
    EXPECT_EQ(futures[0].result(), QStringLiteral("0"));
    EXPECT_EQ(futures[500].result(), QString());
    EXPECT_EQ(futures[999].result(), QStringLiteral("999"));
    EXPECT_TRUE(logs.contains(LogLevel::warning, ocrCategory, QStringLiteral("Images arrive faster than text recognition")));
}

TEST_F(RecognizerTest, DestructionStopsTheRunningImageAndFinishesWaitingOnes) {
    auto recognizer = make();
    hold(true);
    QFuture<QString> running = recognizer->recognizeText("IMAGE:running");
    waitUntilStarted(1);
    QFuture<QString> waiting = recognizer->recognizeText("IMAGE:waiting");
    test::LogCapture logs;
    recognizer.reset();
    EXPECT_TRUE(running.isFinished());
    EXPECT_TRUE(waiting.isFinished());
    EXPECT_EQ(running.result(), QString());
    EXPECT_EQ(waiting.result(), QString());
    EXPECT_TRUE(engine->sawCancel);
    EXPECT_EQ(engine->started, 1);
    EXPECT_FALSE(logs.contains(LogLevel::error, ocrCategory, QString())) << "shutting down is not a failure";
}

} // namespace
} // namespace quellpad
