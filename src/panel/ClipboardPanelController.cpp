#include "panel/ClipboardPanelController.h"

#include <QFuture>
#include <QTimer>
#include <QUrl>

#include "Core/Utilities/AtomicFileWriter.h"
#include "Core/Utilities/Logger.h"
#include "Core/Utilities/MainThread.h"
#include "capture/ClipboardImageFormat.h"
#include "classification/ClipboardLinkDetector.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "localization/Localizer.h"
#include "panel/ClipboardDirectPaste.h"
#include "panel/ClipboardPanelViewModel.h"
#include "panel/ClipboardPanelWindowing.h"
#include "panel/ClipboardPasteboardRepresentations.h"
#include "panel/ClipboardTemporaryFiles.h"
#include "platform/DefaultsStore.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"
#include "settings/AppPreferences.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("ClipboardPanelController");
const QString openFolder = QStringLiteral("open");

} // namespace

ClipboardPanelController::ClipboardPanelController(ClipboardPanelViewModel& viewModel,
                                                   ClipboardPanelControllerServices services, QObject* parent)
    : QObject(parent), viewModel_(viewModel), services_(std::move(services)), suggestionSource_(services_.defaults) {
    connect(&viewModel_, &ClipboardPanelViewModel::errorMessageChanged, this, &ClipboardPanelController::footerChanged);
}

ClipboardPanelController::~ClipboardPanelController() = default;

bool ClipboardPanelController::isVisible() const {
    return window_ && window_->isWindowVisible();
}

void ClipboardPanelController::show() {
    setFooterError(std::nullopt);
    // Rows loaded after the last dismissal stay on screen for the first frame; the
    // reload below replaces them a moment later.
    if (!viewModel_.searchText().isEmpty() || viewModel_.isShowingSearchResults()) {
        viewModel_.reset();
    }
    viewModel_.loadItems(false);
    if (window_) window_->showWindow();
    Q_EMIT footerChanged();
    Q_EMIT visibilityChanged(true);
}

void ClipboardPanelController::dismiss() {
    const bool wasVisible = isVisible();
    suggestionContext_.reset();
    dismissedSuggestionText_.reset();
    if (!suggestions_.empty()) {
        suggestions_.clear();
        Q_EMIT filterSuggestionsChanged();
    }
    footerErrorMessage_.reset();
    copiedNoticeShown_ = false;
    if (window_) window_->clearSearchField();
    viewModel_.reset();
    // Loads the first page now, so that the next opening shows rows in its first frame.
    viewModel_.loadItems(false);
    if (window_) window_->hideWindow();
    Q_EMIT footerChanged();
    if (wasVisible) Q_EMIT visibilityChanged(false);
}

bool ClipboardPanelController::handleKey(ClipboardPanelKeyCommand command) {
    using C = ClipboardPanelKeyCommand;
    const bool suggesting = contentMode() == ClipboardResultListContentMode::filterSuggestions;
    switch (command) {
    case C::dismissOrCloseCompletion:
        if (!closeFilterSuggestions()) dismiss();
        return true;
    case C::acceptGhostCompletion:
        return false; // the search field owns the ghost text
    case C::copy:
    case C::copyPlainText:
        if (suggesting) {
            applySuggestion(selectedSuggestion_);
        } else {
            copy(std::nullopt, command == C::copyPlainText);
        }
        return true;
    case C::selectNext:
        if (suggesting) {
            selectSuggestion(selectedSuggestion_ + 1);
        } else {
            viewModel_.moveSelectionDownOrLoadMore();
        }
        return true;
    case C::selectPrevious:
        if (suggesting) {
            selectSuggestion(selectedSuggestion_ - 1);
        } else {
            viewModel_.moveSelection(true);
        }
        return true;
    case C::pageDown:
    case C::pageUp: {
        if (suggesting) return true;
        const int count = static_cast<int>(viewModel_.clipboardItems().size());
        if (count == 0) return true;
        const int step = command == C::pageDown ? ClipboardPanelViewModel::pageSize : -ClipboardPanelViewModel::pageSize;
        const int target = std::clamp(viewModel_.selectedIndex() + step, 0, count - 1);
        if (command == C::pageDown && viewModel_.selectedIndex() == count - 1) {
            viewModel_.loadMore();
        } else {
            viewModel_.select(target);
        }
        return true;
    }
    case C::copyFieldSelectionOrFormatted: {
        const QString selected = window_ ? window_->searchFieldSelectedText() : QString();
        if (!selected.isEmpty()) {
            if (!services_.pasteboard.write({{PasteboardTypes::plainText, selected.toUtf8()}})) {
                Logger::error(QStringLiteral("Failed to copy the search field's selection"), category);
            }
            return true;
        }
        if (!suggesting) copyWithFormatting();
        return true;
    }
    case C::save:
        if (!suggesting) save();
        return true;
    case C::openWithDefaultApp:
        if (!suggesting) openWithDefaultApp();
        return true;
    case C::pin:
        if (!suggesting) pin();
        return true;
    case C::openActionsMenu:
        if (!suggesting && window_ && viewModel_.selectedItem()) window_->openActionsMenuForSelectedRow();
        return true;
    case C::toggleFormatting:
        if (!suggesting) toggleFormatting();
        return true;
    case C::deleteItem:
        if (!suggesting) deleteItem();
        return true;
    case C::dismiss:
        dismiss();
        return true;
    }
    return false;
}

void ClipboardPanelController::searchFieldEdited(const QString& text, qsizetype cursor) {
    if (text != viewModel_.searchText()) {
        dismissedSuggestionText_.reset();
        viewModel_.setSearchText(text);
    }
    std::optional<ClipboardFilterSuggestionContext> context;
    std::vector<RankedFilterSuggestion> suggestions;
    // A suggestion just applied, or closed with Escape, stays closed until the text changes.
    if (!dismissedSuggestionText_ || *dismissedSuggestionText_ != text) {
        context = ClipboardFilterSuggestions::suggestionContext(text, cursor);
        if (context) suggestions = suggestionSource_.filterSuggestions(*context);
    }
    suggestionContext_ = suggestions.empty() ? std::nullopt : context;
    if (suggestions != suggestions_) {
        suggestions_ = std::move(suggestions);
        selectedSuggestion_ = 0;
        Q_EMIT filterSuggestionsChanged();
    }
}

bool ClipboardPanelController::closeFilterSuggestions() {
    if (suggestions_.empty()) return false;
    dismissedSuggestionText_ = viewModel_.searchText();
    suggestions_.clear();
    suggestionContext_.reset();
    Q_EMIT filterSuggestionsChanged();
    return true;
}

void ClipboardPanelController::selectSuggestion(int index) {
    if (suggestions_.empty()) return;
    const int clamped = std::clamp(index, 0, static_cast<int>(suggestions_.size()) - 1);
    if (clamped == selectedSuggestion_) return;
    selectedSuggestion_ = clamped;
    Q_EMIT filterSuggestionsChanged();
}

void ClipboardPanelController::applySuggestion(int index) {
    if (!suggestionContext_ || index < 0 || index >= static_cast<int>(suggestions_.size())) return;
    const auto [text, cursor] =
        ClipboardFilterSuggestions::apply(*suggestionContext_, suggestions_[static_cast<size_t>(index)].suggestion);
    suggestions_.clear();
    suggestionContext_.reset();
    dismissedSuggestionText_ = text;
    Q_EMIT filterSuggestionsChanged();
    // The filter takes effect at once, without waiting for the debounce.
    viewModel_.setSearchTextAndSearchNow(text);
    if (window_) window_->setSearchFieldText(text, cursor);
}

std::optional<ClipboardHistoryIndexSnapshot> ClipboardPanelController::itemFor(const std::optional<QString>& id) const {
    if (!id) return viewModel_.selectedItem();
    for (const ClipboardHistoryIndexSnapshot& item : viewModel_.clipboardItems()) {
        if (item.id == *id) return item;
    }
    return std::nullopt;
}

void ClipboardPanelController::fetchContent(const QString& id,
                                            std::function<void(const ClipboardHistoryContentSnapshot&)> use) {
    MainThread::whenFinished(
        viewModel_.historyManager().getContentSnapshotById(id), this,
        [id, use = std::move(use)](QFuture<std::optional<ClipboardHistoryContentSnapshot>> done) {
            std::optional<ClipboardHistoryContentSnapshot> content;
            try {
                content = done.result();
            } catch (const std::exception& error) {
                Logger::error(QStringLiteral("Reading item ") + id + QStringLiteral(" failed: ") +
                                  QString::fromUtf8(error.what()),
                              category);
            }
            if (!content) {
                Logger::warning(QStringLiteral("Failed to get content for item: ") + id, category);
                ClipboardHistoryContentSnapshot missing;
                missing.id = id;
                use(missing);
                return;
            }
            use(*content);
        });
}

bool ClipboardPanelController::autoPasteBlocked() {
    const bool wanted = services_.directPaste && services_.directPaste->isWanted();
    if (wanted && services_.isAccessibilityTrusted && !services_.isAccessibilityTrusted()) {
        viewModel_.setErrorMessage(services_.localizer.text(TextKey::panelAccessibilityRequired));
        return true;
    }
    return false;
}

void ClipboardPanelController::copy(const std::optional<QString>& id, bool plainText) {
    viewModel_.setErrorMessage(std::nullopt);
    const std::optional<ClipboardHistoryIndexSnapshot> item = itemFor(id);
    if (!item) return;
    if (autoPasteBlocked()) {
        Q_EMIT actionFinished(QStringLiteral("copy"), false);
        return;
    }
    fetchContent(item->id, [this, plainText, itemId = item->id](const ClipboardHistoryContentSnapshot& content) {
        bool written = false;
        if (!content.id.isEmpty() && (content.imageData || !content.content.isEmpty() || content.richTextHTMLData ||
                                      content.richTextRTFData)) {
            viewModel_.historyManager().performWithoutCapture(
                [&] { written = services_.pasteboard.write(pasteboardRepresentations(content, plainText)); });
        }
        if (written) viewModel_.historyManager().recordUsage(itemId);
        finishCopy(written, itemId, plainText ? QStringLiteral("copyPlainText") : QStringLiteral("copy"));
    });
}

void ClipboardPanelController::copyWithFormatting(const std::optional<QString>& id) {
    const std::optional<ClipboardHistoryIndexSnapshot> item = itemFor(id);
    if (!item) return;
    const std::optional<QString> formatted =
        item->contentType == ClipboardContentType::text && window_ ? window_->detailFormattedText(item->id)
                                                                     : std::nullopt;
    if (!formatted) {
        copy(item->id, false);
        return;
    }
    viewModel_.setErrorMessage(std::nullopt);
    if (autoPasteBlocked()) {
        Q_EMIT actionFinished(QStringLiteral("copyFormatted"), false);
        return;
    }
    // Written with capture suspended, or the copy would come back as a new item.
    bool written = false;
    viewModel_.historyManager().performWithoutCapture(
        [&] { written = services_.pasteboard.write({{PasteboardTypes::plainText, formatted->toUtf8()}}); });
    if (written) {
        Logger::info(QStringLiteral("Copied formatted text to pasteboard for item: ") + item->id, category);
    } else {
        Logger::error(QStringLiteral("Failed to copy formatted text to pasteboard for item: ") + item->id, category);
    }
    finishCopy(written, item->id, QStringLiteral("copyFormatted"));
}

void ClipboardPanelController::finishCopy(bool written, const QString& id, const QString& action) {
    if (!written) {
        // The panel stays: pasting now would paste whatever the clipboard held before.
        viewModel_.setErrorMessage(services_.localizer.text(TextKey::panelCopyFailed));
        Q_EMIT actionFinished(action, false);
        return;
    }
    Q_UNUSED(id);
    viewModel_.setErrorMessage(std::nullopt);
    const bool autoPaste = services_.directPaste && services_.directPaste->isWanted();
    if (!services_.directPaste && services_.pasteKeystrokeUnavailable &&
        ClipboardDirectPaste::isWanted(services_.channel, services_.defaults)) {
        // Nothing can type here: say what to do, then get out of the way.
        copiedNoticeShown_ = true;
        Q_EMIT footerChanged();
        QTimer::singleShot(copiedNoticeMs, this, [this] {
            if (isVisible() && copiedNoticeShown_) dismiss();
        });
        Q_EMIT actionFinished(action, true);
        return;
    }
    dismiss();
    if (services_.directPaste) {
        if (autoPaste) {
            services_.directPaste->pasteIntoRememberedWindow();
        } else {
            services_.directPaste->activateRememberedWindow();
        }
    }
    Q_EMIT actionFinished(action, true);
}

std::optional<QString> ClipboardPanelController::openableLink(const ClipboardHistoryIndexSnapshot& item) {
    if (item.contentType != ClipboardContentType::text) return std::nullopt;
    const QString text = item.searchText.trimmed();
    const std::optional<ClipboardDetectedLink> link = ClipboardLinkDetector::detect(text);
    if (!link || (link->scheme != QStringLiteral("http") && link->scheme != QStringLiteral("https"))) {
        return std::nullopt;
    }
    return text;
}

void ClipboardPanelController::openLink(const std::optional<QString>& id) {
    const std::optional<ClipboardHistoryIndexSnapshot> item = itemFor(id);
    if (!item) return;
    const std::optional<QString> link = openableLink(*item);
    const QUrl url = link ? QUrl(*link, QUrl::StrictMode) : QUrl();
    // Only web links: a stored "file:" or custom-scheme text must not start programs.
    if (!link || !url.isValid() || (url.scheme() != QStringLiteral("http") && url.scheme() != QStringLiteral("https"))) {
        Logger::warning(QStringLiteral("Invalid link: ") + item->searchText.left(200), category);
        Q_EMIT actionFinished(QStringLiteral("openLink"), false);
        return;
    }
    dismiss();
    QString error;
    const bool opened = services_.workspace.openUrl(url, &error);
    if (opened) {
        Logger::info(QStringLiteral("Opened link: ") + *link, category);
    } else {
        Logger::warning(QStringLiteral("Cannot open link: ") + error, category);
    }
    Q_EMIT actionFinished(QStringLiteral("openLink"), opened);
}

QString ClipboardPanelController::imageFileExtension(const QByteArray& imageData) {
    return quellpad::imageFileExtension(imageData);
}

QString ClipboardPanelController::dragFileStem(const QString& itemId) {
    static const QString allowed =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_");
    QString stem;
    for (const QChar c : itemId) {
        if (stem.size() == 12) break;
        if (allowed.contains(c)) stem.append(c);
    }
    return stem.isEmpty() ? QStringLiteral("item") : stem;
}

void ClipboardPanelController::openWithDefaultApp(const std::optional<QString>& id) {
    const std::optional<ClipboardHistoryIndexSnapshot> item = itemFor(id);
    if (!item) return;
    const std::optional<QString> formatted = window_ ? window_->detailFormattedText(item->id) : std::nullopt;
    fetchContent(item->id, [this, formatted, kind = item->contentType](const ClipboardHistoryContentSnapshot& content) {
        if (content.id.isEmpty()) {
            Q_EMIT actionFinished(QStringLiteral("open"), false);
            return;
        }
        dismiss();
        QString fileName;
        QByteArray data;
        if (kind == ClipboardContentType::image) {
            if (!content.imageData) {
                Logger::warning(QStringLiteral("No image data available"), category);
                Q_EMIT actionFinished(QStringLiteral("open"), false);
                return;
            }
            fileName = QStringLiteral("Quellpad_") + dragFileStem(content.id) + QLatin1Char('.') +
                       imageFileExtension(*content.imageData);
            data = *content.imageData;
        } else {
            fileName = QStringLiteral("Quellpad_") + dragFileStem(content.id) + QStringLiteral(".txt");
            data = (formatted ? *formatted : content.content).toUtf8();
        }
        const ClipboardTemporaryFiles::WriteResult written = services_.temporaryFiles.write(openFolder, fileName, data);
        if (!written.path) {
            Logger::error((kind == ClipboardContentType::image ? QStringLiteral("Failed to create temp image file: ")
                                                               : QStringLiteral("Failed to create temp txt file: ")) +
                              written.error,
                          category);
            Q_EMIT actionFinished(QStringLiteral("open"), false);
            return;
        }
        QString error;
        const bool opened = services_.workspace.openUrl(QUrl::fromLocalFile(*written.path), &error);
        if (opened) {
            Logger::info((kind == ClipboardContentType::image ? QStringLiteral("Opened image with default app: ")
                                                              : QStringLiteral("Opened text with default app: ")) +
                             *written.path,
                         category);
        } else {
            Logger::warning(QStringLiteral("Cannot open with default app: ") + error, category);
        }
        Q_EMIT actionFinished(QStringLiteral("open"), opened);
    });
}

void ClipboardPanelController::save(const std::optional<QString>& id) {
    const std::optional<ClipboardHistoryIndexSnapshot> item = itemFor(id);
    if (!item || !savePanel_) return;
    const std::optional<QString> formatted = window_ ? window_->detailFormattedText(item->id) : std::nullopt;
    fetchContent(item->id, [this, formatted, kind = item->contentType](const ClipboardHistoryContentSnapshot& content) {
        if (content.id.isEmpty()) {
            Q_EMIT actionFinished(QStringLiteral("save"), false);
            return;
        }
        dismiss();
        const bool isImage = kind == ClipboardContentType::image;
        if (isImage && !content.imageData) {
            Logger::warning(QStringLiteral("No image data available"), category);
            Q_EMIT actionFinished(QStringLiteral("save"), false);
            return;
        }
        const QByteArray data = isImage ? *content.imageData : (formatted ? *formatted : content.content).toUtf8();
        const QString proposed = isImage ? QStringLiteral("ClipboardImage.") + imageFileExtension(data)
                                         : QStringLiteral("ClipboardText.txt");
        const std::weak_ptr<bool> alive = alive_;
        savePanel_->presentSavePanel(proposed, !isImage, [this, alive, data, isImage](std::optional<QString> path) {
            if (!alive.lock()) return;
            if (!path) {
                Q_EMIT actionFinished(QStringLiteral("save"), false);
                return;
            }
            if (const std::optional<QString> error = AtomicFileWriter::write(*path, data)) {
                Logger::error(QStringLiteral("Failed to save file: ") + *error, category);
                if (savePanel_) savePanel_->showSaveError(services_.localizer.text(TextKey::panelSaveFailed, {*error}));
                Q_EMIT actionFinished(QStringLiteral("save"), false);
                return;
            }
            Logger::info((isImage ? QStringLiteral("Saved image to: ") : QStringLiteral("Saved text to: ")) + *path,
                         category);
            QString revealError;
            if (!services_.workspace.revealFile(*path, &revealError)) {
                Logger::warning(QStringLiteral("Could not show the saved file: ") + revealError, category);
            }
            Q_EMIT actionFinished(QStringLiteral("save"), true);
        });
    });
}

void ClipboardPanelController::pin(const std::optional<QString>& id) {
    const std::optional<ClipboardHistoryIndexSnapshot> item = itemFor(id);
    if (!item || !services_.pinWindowFactory) return;
    fetchContent(item->id, [this, kind = item->contentType](const ClipboardHistoryContentSnapshot& content) {
        if (content.id.isEmpty()) {
            Q_EMIT actionFinished(QStringLiteral("pin"), false);
            return;
        }
        dismiss();
        services_.pinWindowFactory(kind, content);
        Logger::info(QStringLiteral("Pinned item: ") + content.id, category);
        Q_EMIT actionFinished(QStringLiteral("pin"), true);
    });
}

void ClipboardPanelController::recognizeText(const std::optional<QString>& id) {
    const std::optional<ClipboardHistoryIndexSnapshot> item = itemFor(id);
    if (!item || item->contentType != ClipboardContentType::image || !services_.presentOCRWindow) return;
    fetchContent(item->id, [this, itemId = item->id](const ClipboardHistoryContentSnapshot& content) {
        if (!content.imageData) {
            Logger::error(QStringLiteral("Failed to get image data for OCR: ") + itemId, category);
            Q_EMIT actionFinished(QStringLiteral("recognizeText"), false);
            return;
        }
        dismiss();
        services_.presentOCRWindow(*content.imageData, itemId);
        Logger::info(QStringLiteral("Opened OCR window for item: ") + itemId, category);
        Q_EMIT actionFinished(QStringLiteral("recognizeText"), true);
    });
}

void ClipboardPanelController::deleteItem(const std::optional<QString>& id) {
    const std::optional<ClipboardHistoryIndexSnapshot> item = itemFor(id);
    if (!item) return;
    viewModel_.removeItem(item->id);
    Q_EMIT actionFinished(QStringLiteral("delete"), true);
}

void ClipboardPanelController::toggleFormatting() {
    if (!window_) return;
    window_->setDetailFormattingEnabled(!window_->isDetailFormattingEnabled());
}

void ClipboardPanelController::activateRow(int index) {
    if (index < 0 || index >= static_cast<int>(viewModel_.clipboardItems().size())) return;
    viewModel_.select(index);
    copy();
}

void ClipboardPanelController::prepareDrag(const QString& id) {
    if (preparingDragId_ == id) return;
    preparingDragId_ = id;
    preparedDragContent_.reset();
    fetchContent(id, [this, id](const ClipboardHistoryContentSnapshot& content) {
        if (preparingDragId_ != id || content.id.isEmpty()) return; // another row was pressed meanwhile
        preparedDragContent_ = content;
    });
}

std::optional<ClipboardDragPayload> ClipboardPanelController::dragPayload(const QString& id) {
    if (!preparedDragContent_ || preparedDragContent_->id != id) return std::nullopt;
    return ClipboardDragPayload::make(*preparedDragContent_, services_.temporaryFiles);
}

void ClipboardPanelController::setFooterError(const std::optional<QString>& message) {
    if (message == footerErrorMessage_) return;
    footerErrorMessage_ = message;
    Q_EMIT footerChanged();
}

ClipboardFooterStatusPresentation ClipboardPanelController::footerStatus() const {
    const AppPreferences preferences(services_.defaults);
    ClipboardFooterStatusPresentation::Inputs inputs;
    inputs.footerErrorMessage = footerErrorMessage_ ? footerErrorMessage_ : viewModel_.errorMessage();
    if (copiedNoticeShown_ && !inputs.footerErrorMessage) {
        inputs.footerErrorMessage = services_.localizer.text(TextKey::footerCopiedPressControlV);
    }
    inputs.recordingPaused = services_.isRecordingPaused && services_.isRecordingPaused();
    inputs.textCaptureEnabled = preferences.textCaptureEnabled();
    inputs.imageCaptureEnabled = preferences.imageCaptureEnabled();
    return ClipboardFooterStatusPresentation::make(inputs, services_.localizer);
}

} // namespace quellpad
