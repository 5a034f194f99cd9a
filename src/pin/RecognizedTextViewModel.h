// The text recognised in one image: the text the history stored for it, else a fresh
// recognition; "Recognize Again" runs one more. Recognition runs off the main thread;
// an answer that a newer request has overtaken is dropped. Main thread only.
#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QFuture>
#include <QObject>
#include <QString>

#include "capture/ClipboardImageTextRecognizer.h"
#include "history/ClipboardHistoryRecords.h"
#include "localization/TextKey.h"

namespace quellpad {

struct RecognizedTextServices {
    // The item as stored, for the text recognised when it was copied; absent: always recognise.
    std::function<QFuture<std::optional<ClipboardHistoryContentSnapshot>>(const QString& itemId)> fetchContent;
    // Recognises an image off the main thread; absent: recognition is not available.
    std::function<QFuture<ClipboardImageTextRecognition>(const QByteArray& imageData)> recognize;
    // Puts text on the clipboard; false when that failed.
    std::function<bool(const QString& text)> copyText;
};

class RecognizedTextViewModel final : public QObject {
    Q_OBJECT
public:
    enum class State { loading, recognizing, shown, failed };

    RecognizedTextViewModel(QByteArray imageData, QString itemId, RecognizedTextServices services,
                            QObject* parent = nullptr);

    // Shows the stored text, or recognises the image when the history has none.
    void start();
    // Recognises the image again, replacing the text shown; ignored while busy.
    void recognizeAgain();
    // Puts the whole text on the clipboard; false (and copyFailed) when it did not work.
    bool copy();

    State state() const { return state_; }
    bool isBusy() const { return state_ == State::loading || state_ == State::recognizing; }
    const QString& text() const { return text_; }
    // Why the last recognition failed, as a text key and its arguments (state failed).
    std::optional<std::pair<TextKey, QStringList>> error() const { return error_; }
    const QByteArray& imageData() const { return imageData_; }
    const QString& itemId() const { return itemId_; }

Q_SIGNALS:
    void changed();
    void copyFailed();

private:
    void runRecognition();
    void showText(const QString& text);
    void fail(TextKey key, const QStringList& arguments = {});

    QByteArray imageData_;
    QString itemId_;
    RecognizedTextServices services_;
    State state_ = State::loading;
    QString text_;
    std::optional<std::pair<TextKey, QStringList>> error_;
    // Counts requests: an answer carries the count it was asked with.
    quint64 generation_ = 0;
};

} // namespace quellpad
