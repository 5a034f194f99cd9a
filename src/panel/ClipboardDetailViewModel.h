// The detail pane's state: follows the panel's selected item, fetches its content from
// the history manager and builds what the pane shows off the main thread (formatting
// a large JSON text or decoding a large image must never stall typing).
//
// Every selection takes a new generation; a content answer or a built presentation of
// an older generation is dropped, so a slow item never replaces a newer one.
#pragma once

#include <atomic>
#include <memory>
#include <optional>

#include <QObject>
#include <QSize>

#include "classification/ClipboardClassificationModel.h"
#include "classification/ClipboardClassificationSettings.h"
#include "history/ClipboardHistoryRecords.h"
#include "panel/ClipboardDetailPresentation.h"

namespace quellpad {

class ClipboardPanelViewModel;
class DefaultsStore;
class Localizer;

class ClipboardDetailViewModel final : public QObject {
    Q_OBJECT
public:
    // Characters of text the pane holds; longer texts show this prefix and say so.
    static constexpr qsizetype maximumDisplayedCharacters = 200'000;
    // Images whose decoder cannot scale while decoding are refused beyond this many
    // pixels (a full decode of 20000 x 20000 would take 1.6 GB).
    static constexpr qint64 maximumFullDecodePixels = qint64(40'000'000);
    // Decoders that scale while decoding (JPEG) still refuse beyond this.
    static constexpr qint64 maximumScaledDecodePixels = qint64(1'000'000'000);

    ClipboardDetailViewModel(ClipboardPanelViewModel& viewModel, DefaultsStore& defaults, QObject* parent = nullptr);
    ~ClipboardDetailViewModel() override;

    const ClipboardDetailPresentation& presentation() const { return presentation_; }
    // The item being fetched or built, when it is not the one presented yet.
    const std::optional<QString>& pendingItemId() const { return pendingItemId_; }

    bool isFormattingEnabled() const { return formattingEnabled_; }
    void setFormattingEnabled(bool enabled);

    // Device pixels the image may fill; images are decoded to fit it.
    void setImageTargetSize(QSize devicePixels);
    QSize imageTargetSize() const { return imageTargetSize_; }

    // The formatted text while the pane shows this item formatted; nullopt otherwise.
    std::optional<QString> formattedText(const QString& itemId) const;

    // Re-reads the selected item (after its content may have changed).
    void reload();

    // Whether an item may have a formatter: a text item labelled JSON, JSON Lines or
    // SQL, or one with a user label (its text is then classified when shown).
    static bool mayFormat(const ClipboardHistoryIndexSnapshot& item);
    // The formatter a stored label names, when it names one.
    static std::optional<ClipboardSystemClassification> formatterForLabel(const QString& label);

    struct BuildInput {
        ClipboardHistoryIndexSnapshot item;
        std::optional<ClipboardHistoryContentSnapshot> content;
        bool formattingEnabled = true;
        QSize imageTargetSize;
        ClipboardSystemClassificationSet enabledClassifications;
    };
    // What the pane shows for an item; pure, runs on any thread.
    static ClipboardDetailPresentation build(const BuildInput& input);

    static QString noticeText(const ClipboardDetailPresentation::Notice& notice, const Localizer& localizer);

Q_SIGNALS:
    void presentationChanged();
    void formattingEnabledChanged(bool enabled);

private:
    void followSelection();
    void request(const ClipboardHistoryIndexSnapshot& item);
    void startBuild(quint64 generation);

    ClipboardPanelViewModel& viewModel_;
    ClipboardClassificationSettings classificationSettings_;
    ClipboardDetailPresentation presentation_;
    bool formattingEnabled_ = true;
    QSize imageTargetSize_{640, 480};

    quint64 generation_ = 0;
    std::optional<ClipboardHistoryIndexSnapshot> currentItem_;
    std::optional<QString> pendingItemId_;
    // The fetched content of currentItem_, kept so a formatting switch needs no fetch.
    std::optional<std::optional<ClipboardHistoryContentSnapshot>> currentContent_;
    // Shared with the workers: a build queued for an older generation is skipped.
    std::shared_ptr<std::atomic<quint64>> latestGeneration_ = std::make_shared<std::atomic<quint64>>(0);
};

} // namespace quellpad
