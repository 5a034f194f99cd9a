#include "panel/ClipboardDetailViewModel.h"

#include <atomic>

#include <QBuffer>
#include <QImageReader>
#include <QPointer>
#include <QtConcurrent>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/MainThread.h"
#include "classification/LocalClipboardClassificationService.h"
#include "formatting/FormattingError.h"
#include "formatting/SyntaxHighlighterFactory.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "localization/Localizer.h"
#include "panel/ClipboardPanelViewModel.h"

namespace quellpad {

namespace {

const QString logCategory = QStringLiteral("ClipboardDetailViewModel");

using Notice = ClipboardDetailPresentation::Notice;

void buildText(const ClipboardDetailViewModel::BuildInput& input, ClipboardDetailPresentation& out) {
    const QString& text = input.content->content;
    std::unique_ptr<SyntaxHighlighting> highlighter;
    if (input.item.classification && ClipboardDetailViewModel::mayFormat(input.item)) {
        std::optional<ClipboardSystemClassification> kind =
            ClipboardDetailViewModel::formatterForLabel(*input.item.classification);
        if (!kind) {
            // A user label hides what the text is: classify it as the format command does.
            const LocalClipboardClassificationService classifier;
            kind = LocalClipboardClassificationService::primarySystemClassification(
                classifier.detectSystemClassifications(text, input.enabledClassifications));
        }
        highlighter = makeSyntaxHighlighter(kind);
    }
    out.isFormattable = highlighter != nullptr;

    QString shown = text;
    if (highlighter && input.formattingEnabled) {
        try {
            QString formatted = highlighter->format(text);
            out.isFormatted = true;
            out.formattedText = formatted;
            shown = std::move(formatted);
        } catch (const FormattingError& error) {
            out.notices.push_back({TextKey::detailFormattingFailed, error.textArguments(), error.textKey()});
        }
    }
    const qsizetype total = shown.size();
    if (total > ClipboardDetailViewModel::maximumDisplayedCharacters) {
        qsizetype cut = ClipboardDetailViewModel::maximumDisplayedCharacters;
        if (shown.at(cut - 1).isHighSurrogate()) {
            --cut; // never split a surrogate pair
        }
        shown.truncate(cut);
        out.notices.push_back({TextKey::detailTruncated, {QString::number(cut), QString::number(total)}, std::nullopt});
    }
    if (out.isFormatted) {
        // Colours only for what is shown: highlighting the whole of a huge text is wasted.
        StyledText styled = highlighter->highlight(shown);
        out.runs = std::move(styled.runs);
        out.theme = styled.theme;
    }
    out.text = std::move(shown);
}

void buildImage(const ClipboardDetailViewModel::BuildInput& input, ClipboardDetailPresentation& out) {
    out.ocrText = input.content->ocrText;
    if (!input.content->imageData || input.content->imageData->isEmpty()) {
        out.notices.push_back({TextKey::detailImageUnreadable, {}, std::nullopt});
        return;
    }
    QByteArray data = *input.content->imageData; // shared, not copied
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    out.imagePixelSize = size;
    if (!size.isValid() || size.isEmpty()) {
        out.notices.push_back({TextKey::detailImageUnreadable, {}, std::nullopt});
        return;
    }
    const qint64 pixels = qint64(size.width()) * size.height();
    // PNG and most others claim the scaled-size option but decode at full size first;
    // only JPEG really scales while decoding.
    const bool scalesWhileDecoding = reader.format() == "jpeg" || reader.format() == "jpg";
    if (pixels > (scalesWhileDecoding ? ClipboardDetailViewModel::maximumScaledDecodePixels
                                      : ClipboardDetailViewModel::maximumFullDecodePixels)) {
        out.notices.push_back(
            {TextKey::detailImageTooLarge, {QString::number(size.width()), QString::number(size.height())}, std::nullopt});
        return;
    }
    QSize target = size;
    const QSize bounds = input.imageTargetSize.isValid() && !input.imageTargetSize.isEmpty() ? input.imageTargetSize
                                                                                            : QSize(640, 480);
    if (size.width() > bounds.width() || size.height() > bounds.height()) {
        target = size.scaled(bounds, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        reader.setScaledSize(target);
    }
    QImage image = reader.read();
    if (image.isNull()) {
        Logger::warning(QStringLiteral("Could not decode image of item %1: %2").arg(input.item.id, reader.errorString()),
                        logCategory);
        out.notices.push_back({TextKey::detailImageUnreadable, {}, std::nullopt});
        return;
    }
    out.image = std::move(image);
}

} // namespace

ClipboardDetailViewModel::ClipboardDetailViewModel(ClipboardPanelViewModel& viewModel, DefaultsStore& defaults,
                                                   QObject* parent)
    : QObject(parent), viewModel_(viewModel), classificationSettings_(defaults) {
    connect(&viewModel_, &ClipboardPanelViewModel::selectedIndexChanged, this,
            &ClipboardDetailViewModel::followSelection);
    connect(&viewModel_, &ClipboardPanelViewModel::clipboardItemsChanged, this,
            &ClipboardDetailViewModel::followSelection);
    followSelection();
}

ClipboardDetailViewModel::~ClipboardDetailViewModel() = default;

void ClipboardDetailViewModel::followSelection() {
    const std::optional<ClipboardHistoryIndexSnapshot> item = viewModel_.selectedItem();
    if (!item) {
        if (!currentItem_ && presentation_.kind == ClipboardDetailPresentation::Kind::empty) {
            return;
        }
        ++generation_;
        currentItem_.reset();
        currentContent_.reset();
        pendingItemId_.reset();
        presentation_ = {};
        Q_EMIT presentationChanged();
        return;
    }
    if (currentItem_ && *currentItem_ == *item) {
        return;
    }
    request(*item);
}

void ClipboardDetailViewModel::reload() {
    if (currentItem_) {
        request(*currentItem_);
    }
}

void ClipboardDetailViewModel::request(const ClipboardHistoryIndexSnapshot& item) {
    const quint64 generation = ++generation_;
    currentItem_ = item;
    currentContent_.reset();
    pendingItemId_ = item.id;
    QPointer<ClipboardDetailViewModel> self(this);
    MainThread::whenFinished(
        viewModel_.historyManager().getContentSnapshotById(item.id), this,
        [self, generation](QFuture<std::optional<ClipboardHistoryContentSnapshot>> done) {
            if (!self || self->generation_ != generation) {
                return; // a newer selection won
            }
            try {
                self->currentContent_ = done.result();
            } catch (const std::exception& error) {
                Logger::warning(QStringLiteral("Failed to get content for item: %1 (%2)")
                                    .arg(self->currentItem_ ? self->currentItem_->id : QString(),
                                         QString::fromUtf8(error.what())),
                                logCategory);
                self->currentContent_ = std::optional<ClipboardHistoryContentSnapshot>();
            }
            self->startBuild(generation);
        });
}

void ClipboardDetailViewModel::startBuild(quint64 generation) {
    if (!currentItem_ || !currentContent_) {
        return;
    }
    BuildInput input{*currentItem_, *currentContent_, formattingEnabled_, imageTargetSize_,
                     classificationSettings_.enabledSystemClassifications()};
    // Builds of older selections that have not started yet are skipped.
    auto latest = latestGeneration_;
    latest->store(generation);
    QPointer<ClipboardDetailViewModel> self(this);
    QFuture<std::optional<ClipboardDetailPresentation>> building =
        QtConcurrent::run([input = std::move(input), latest, generation]() -> std::optional<ClipboardDetailPresentation> {
            if (latest->load() != generation) {
                return std::nullopt;
            }
            return build(input);
        });
    MainThread::whenFinished(building, this, [self, generation](QFuture<std::optional<ClipboardDetailPresentation>> done) {
        const std::optional<ClipboardDetailPresentation> built = done.result();
        if (!self || !built || self->generation_ != generation) {
            return;
        }
        self->presentation_ = *built;
        self->pendingItemId_.reset();
        Q_EMIT self->presentationChanged();
    });
}

void ClipboardDetailViewModel::setFormattingEnabled(bool enabled) {
    if (enabled == formattingEnabled_) {
        return;
    }
    formattingEnabled_ = enabled;
    Q_EMIT formattingEnabledChanged(enabled);
    if (currentItem_ && currentContent_ && presentation_.isFormattable) {
        startBuild(++generation_);
    }
}

void ClipboardDetailViewModel::setImageTargetSize(QSize devicePixels) {
    if (devicePixels == imageTargetSize_ || devicePixels.isEmpty()) {
        return;
    }
    const QSize previous = imageTargetSize_;
    imageTargetSize_ = devicePixels;
    if (presentation_.kind != ClipboardDetailPresentation::Kind::image || presentation_.image.isNull() ||
        !currentItem_ || !currentContent_) {
        return;
    }
    // Decode again only when the pane's new size changes what fits.
    const QSize own = presentation_.imagePixelSize;
    const QSize before = own.scaled(previous.boundedTo(own), Qt::KeepAspectRatio);
    const QSize after = own.scaled(devicePixels.boundedTo(own), Qt::KeepAspectRatio);
    if (before != after) {
        startBuild(++generation_);
    }
}

std::optional<QString> ClipboardDetailViewModel::formattedText(const QString& itemId) const {
    if (!formattingEnabled_ || presentation_.itemId != itemId || pendingItemId_ ||
        presentation_.kind != ClipboardDetailPresentation::Kind::text || !presentation_.isFormatted) {
        return std::nullopt;
    }
    return presentation_.formattedText;
}

std::optional<ClipboardSystemClassification> ClipboardDetailViewModel::formatterForLabel(const QString& label) {
    for (const ClipboardSystemClassification kind :
         {ClipboardSystemClassification::json, ClipboardSystemClassification::jsonLines, ClipboardSystemClassification::sql}) {
        if (label == displayName(kind) || label == rawValue(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

bool ClipboardDetailViewModel::mayFormat(const ClipboardHistoryIndexSnapshot& item) {
    if (item.contentType != ClipboardContentType::text || !item.classification) {
        return false;
    }
    if (formatterForLabel(*item.classification)) {
        return true;
    }
    for (const auto& definition : systemClassificationDefinitions()) {
        if (definition.displayName == *item.classification) {
            return false; // a system label without a formatter (URL, UUID, ...)
        }
    }
    return true;
}

ClipboardDetailPresentation ClipboardDetailViewModel::build(const BuildInput& input) {
    ClipboardDetailPresentation out;
    out.itemId = input.item.id;
    out.sourceApplication = input.item.bundleIdentifier;
    out.useCount = input.item.accessCount;
    if (!input.content) {
        out.kind = ClipboardDetailPresentation::Kind::unavailable;
        out.notices.push_back({TextKey::detailContentUnavailable, {}, std::nullopt});
        return out;
    }
    if (input.item.contentType == ClipboardContentType::image) {
        out.kind = ClipboardDetailPresentation::Kind::image;
        buildImage(input, out);
    } else {
        out.kind = ClipboardDetailPresentation::Kind::text;
        buildText(input, out);
    }
    return out;
}

QString ClipboardDetailViewModel::noticeText(const ClipboardDetailPresentation::Notice& notice,
                                             const Localizer& localizer) {
    if (notice.reasonKey) {
        return localizer.text(notice.key, {localizer.text(*notice.reasonKey, notice.arguments)});
    }
    return localizer.text(notice.key, notice.arguments);
}

} // namespace quellpad
