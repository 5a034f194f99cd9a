// Images whose recognition was put off (skipped in a burst, or never finished before
// a quit) get their text later: when the recogniser runs out of work, and at start.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "capture/ClipboardImageTextRecognizer.h"
#include "capture/MonitorFixture.h"
#include "support/OcrTestImages.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

// Reads the text to "recognise" from the PNG's "payload" text chunk; can hold every
// recognition until released.
class GatedEngine final : public TextRecognitionEngine {
public:
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        bool holding = false;
        int started = 0;
    };
    explicit GatedEngine(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

    std::optional<TextRecognitionBitmap> bitmap(const QByteArray& encoded) override {
        const QImage image = QImage::fromData(encoded);
        if (image.isNull()) {
            return std::nullopt;
        }
        return TextRecognitionBitmap{image, image.size()};
    }
    TextRecognitionOutcome recognize(const TextRecognitionBitmap& bitmap, const TextRecognitionRequest&,
                                     const std::function<bool()>& isCancelled) override {
        std::unique_lock lock(shared_->mutex);
        ++shared_->started;
        shared_->changed.notify_all();
        while (shared_->holding) {
            if (isCancelled()) {
                return TextRecognitionError{TextRecognitionError::Stage::recognition, QStringLiteral("cancelled")};
            }
            shared_->changed.wait_for(lock, std::chrono::milliseconds(5));
        }
        TextRecognitionObservations observations;
        observations.lines.push_back(bitmap.image.text(QStringLiteral("payload")));
        return observations;
    }

private:
    std::shared_ptr<Shared> shared_;
};

QByteArray labelledPng(const QString& label, QColor color) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(color);
    image.setText(QStringLiteral("payload"), label);
    return test::encoded(image);
}

class DeferredTextRecognitionTest : public ::testing::Test, public test::MonitorFixture {
protected:
    void useRecognizer() {
        recognizer = std::make_shared<ClipboardImageTextRecognizer>(std::make_unique<GatedEngine>(engine), defaults,
                                                                    ClipboardOCRConfiguration{}, TextRecognitionLevel::accurate,
                                                                    1);
        makeMonitor({}, {}, recognizer);
    }
    void hold(bool holding) {
        std::lock_guard lock(engine->mutex);
        engine->holding = holding;
        engine->changed.notify_all();
    }
    int started() {
        std::lock_guard lock(engine->mutex);
        return engine->started;
    }
    const auto& inserts() const { return repository->inserts; }
    std::optional<QString> recognisedText(const QString& id) const {
        for (const auto& [updated, text] : repository->ocrUpdates) {
            if (updated == id) {
                return text;
            }
        }
        return std::nullopt;
    }

    std::shared_ptr<GatedEngine::Shared> engine = std::make_shared<GatedEngine::Shared>();
    std::shared_ptr<ClipboardImageTextRecognizer> recognizer;
};

TEST_F(DeferredTextRecognitionTest, AnImageSkippedInABurstIsRecognisedOnceTheQueueDrains) {
    useRecognizer();
    monitor->startMonitoring(false);
    hold(true);
    copyAndPoll({{PasteboardTypes::png, labelledPng(QStringLiteral("first"), Qt::red)}});
    ASSERT_TRUE(test::processEventsUntil([&] { return started() == 1; }));
    // One image may wait: the third pushes the second out.
    copyAndPoll({{PasteboardTypes::png, labelledPng(QStringLiteral("second"), Qt::green)}});
    copyAndPoll({{PasteboardTypes::png, labelledPng(QStringLiteral("third"), Qt::blue)}});
    ASSERT_EQ(inserts().size(), 3u);
    hold(false);
    ASSERT_TRUE(test::processEventsUntil([&] { return repository->ocrUpdates.size() >= 3; }));
    EXPECT_EQ(recognisedText(inserts()[0].id), QStringLiteral("first"));
    EXPECT_EQ(recognisedText(inserts()[1].id), QStringLiteral("second"));
    EXPECT_EQ(recognisedText(inserts()[2].id), QStringLiteral("third"));
    test::drainEvents();
    EXPECT_EQ(repository->ocrUpdates.size(), 3u) << "an image was recognised twice";
}

TEST_F(DeferredTextRecognitionTest, ImagesLeftWithoutTextByTheLastRunAreRecognisedAtStart) {
    repository->insertImage(QStringLiteral("LEFT-OVER"), QStringLiteral("Image 4x4"), QString(),
                            labelledPng(QStringLiteral("left over"), Qt::yellow), std::nullopt, {});
    defaults.set(QStringLiteral("ClipboardMonitorImageOCREnabled"), false);
    useRecognizer();
    monitor->startMonitoring(true);
    test::drainEvents();
    EXPECT_EQ(started(), 0) << "recognition is off";

    defaults.set(QStringLiteral("ClipboardMonitorImageOCREnabled"), true);
    useRecognizer();
    monitor->startMonitoring(true);
    ASSERT_TRUE(test::processEventsUntil([&] { return recognisedText(QStringLiteral("LEFT-OVER")).has_value(); }));
    EXPECT_EQ(recognisedText(QStringLiteral("LEFT-OVER")), QStringLiteral("left over"));
}

} // namespace
} // namespace quellpad
