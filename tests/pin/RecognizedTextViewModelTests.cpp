#include <gtest/gtest.h>

#include <QPromise>

#include "pin/RecognizedTextViewModel.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using Recognition = ClipboardImageTextRecognition;

// Recognitions answered by the test, in any order; the stored item as the test sets it.
struct RecognitionProbe {
    std::optional<ClipboardHistoryContentSnapshot> stored;
    std::vector<std::shared_ptr<QPromise<Recognition>>> pending;
    std::vector<QString> clipboard;
    bool copyWorks = true;

    RecognizedTextServices services() {
        return {
            .fetchContent = [this](const QString&) { return QtFuture::makeReadyFuture(stored); },
            .recognize =
                [this](const QByteArray&) {
                    auto promise = std::make_shared<QPromise<Recognition>>();
                    promise->start();
                    pending.push_back(promise);
                    return promise->future();
                },
            .copyText =
                [this](const QString& text) {
                    if (copyWorks) clipboard.push_back(text);
                    return copyWorks;
                },
        };
    }
    void answer(std::size_t index, Recognition result) {
        pending.at(index)->addResult(result);
        pending.at(index)->finish();
        test::drainEvents();
    }
};

Recognition recognized(const QString& text) {
    Recognition result;
    result.status = Recognition::Status::recognized;
    result.text = text;
    return result;
}

TEST(RecognizedTextViewModelTest, TheStoredTextIsShownWithoutRecognisingAgain) {
    RecognitionProbe probe;
    probe.stored = ClipboardHistoryContentSnapshot{QStringLiteral("i"), QString(), {}, {}, QByteArray("png"),
                                                   QStringLiteral("Invoice 42")};
    RecognizedTextViewModel model(QByteArray("png"), QStringLiteral("i"), probe.services());
    model.start();
    ASSERT_TRUE(test::processEventsUntil([&] { return !model.isBusy(); }));
    EXPECT_EQ(model.text(), QStringLiteral("Invoice 42"));
    EXPECT_TRUE(probe.pending.empty());

    EXPECT_TRUE(model.copy());
    EXPECT_EQ(probe.clipboard, std::vector<QString>{QStringLiteral("Invoice 42")});

    // A clipboard that refuses the text is a failure the window shows.
    probe.copyWorks = false;
    int copyFailures = 0;
    QObject::connect(&model, &RecognizedTextViewModel::copyFailed, [&] { ++copyFailures; });
    EXPECT_FALSE(model.copy());
    EXPECT_EQ(copyFailures, 1);
}

TEST(RecognizedTextViewModelTest, ADeletedOrUnrecognisedItemIsRecognisedFromItsImage) {
    RecognitionProbe probe; // nothing stored: the item was deleted
    RecognizedTextViewModel model(QByteArray("png"), QStringLiteral("i"), probe.services());
    model.start();
    ASSERT_TRUE(test::processEventsUntil([&] { return !probe.pending.empty(); }));
    EXPECT_EQ(model.state(), RecognizedTextViewModel::State::recognizing);
    probe.answer(0, recognized(QStringLiteral("Hello")));
    EXPECT_EQ(model.state(), RecognizedTextViewModel::State::shown);
    EXPECT_EQ(model.text(), QStringLiteral("Hello"));
}

TEST(RecognizedTextViewModelTest, AFailedRetryKeepsTheTextAndSaysWhy) {
    RecognitionProbe probe;
    RecognizedTextViewModel model(QByteArray("png"), QStringLiteral("i"), probe.services());
    model.start();
    ASSERT_TRUE(test::processEventsUntil([&] { return !probe.pending.empty(); }));
    probe.answer(0, recognized(QStringLiteral("first")));

    model.recognizeAgain();
    EXPECT_TRUE(model.isBusy());
    model.recognizeAgain(); // ignored while busy
    ASSERT_EQ(probe.pending.size(), 2u);
    Recognition failed;
    failed.status = Recognition::Status::failed;
    failed.errorDescription = QStringLiteral("language data chi_sim missing");
    probe.answer(1, failed);
    EXPECT_EQ(model.state(), RecognizedTextViewModel::State::failed);
    EXPECT_EQ(model.text(), QStringLiteral("first"));
    ASSERT_TRUE(model.error());
    EXPECT_EQ(model.error()->first, TextKey::ocrWindowFailed);
    EXPECT_EQ(model.error()->second, QStringList{QStringLiteral("language data chi_sim missing")});

    model.recognizeAgain();
    Recognition broken;
    broken.status = Recognition::Status::notAnImage;
    probe.answer(2, broken);
    EXPECT_EQ(model.error()->first, TextKey::ocrWindowNotAnImage);

    model.recognizeAgain();
    probe.pending.at(3)->setException(std::make_exception_ptr(std::runtime_error("engine crashed")));
    probe.pending.at(3)->finish();
    test::drainEvents();
    EXPECT_EQ(model.error()->first, TextKey::ocrWindowFailed);
    EXPECT_FALSE(model.isBusy());
}

TEST(RecognizedTextViewModelTest, WithoutARecogniserOrClipboardTheUserIsToldSo) {
    RecognitionProbe probe;
    RecognizedTextServices services = probe.services();
    services.fetchContent = nullptr;
    services.recognize = nullptr;
    RecognizedTextViewModel model(QByteArray("png"), QStringLiteral("i"), services);
    int copyFailures = 0;
    QObject::connect(&model, &RecognizedTextViewModel::copyFailed, [&] { ++copyFailures; });
    model.start();
    EXPECT_EQ(model.state(), RecognizedTextViewModel::State::failed);
    EXPECT_EQ(model.error()->first, TextKey::ocrWindowUnavailable);
    EXPECT_FALSE(model.copy()); // nothing to copy is not a success
    EXPECT_EQ(copyFailures, 1);
}

} // namespace
} // namespace quellpad
