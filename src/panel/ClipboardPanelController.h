// The centered panel's behaviour: showing and dismissing it, and every action on an
// item (copy, plain copy, formatted copy, paste back, open, save, pin, recognise
// text, delete, format), the keys that reach them, and the filter suggestions of the
// search field. Binds a view model to a window seen through ClipboardPanelWindowing.
// Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QObject>
#include <QString>

#include "history/ClipboardHistoryRecords.h"
#include "panel/ClipboardDragPayload.h"
#include "panel/ClipboardFooterStatusPresentation.h"
#include "panel/ClipboardPanelKeyMap.h"
#include "panel/ClipboardPanelPresenting.h"
#include "panel/ClipboardResultListTypes.h"
#include "search/ClipboardFilterSuggestions.h"
#include "settings/DistributionChannel.h"

namespace quellpad {

class ClipboardDirectPaste;
class ClipboardPanelViewModel;
class ClipboardPanelWindowing;
class ClipboardSavePanelPresenting;
class ClipboardTemporaryFiles;
class DefaultsStore;
class Localizer;
class Pasteboard;
class Workspace;

struct ClipboardPanelControllerServices {
    Pasteboard& pasteboard;
    Workspace& workspace;
    DefaultsStore& defaults;
    const Localizer& localizer;
    ClipboardTemporaryFiles& temporaryFiles;
    DistributionChannel channel = DistributionChannel::unknown;
    // Re-activates the previous window and pastes there; null: items are only copied.
    ClipboardDirectPaste* directPaste = nullptr;
    // Whether synthetic paste keystrokes may be used; absent counts as trusted.
    std::function<bool()> isAccessibilityTrusted;
    // Whether capture is paused right now (for the footer).
    std::function<bool()> isRecordingPaused;
    // Pin and recognised-text windows; absent: the actions are not offered.
    std::function<void(ClipboardContentType, const ClipboardHistoryContentSnapshot&)> pinWindowFactory;
    std::function<void(const QByteArray& imageData, const QString& itemId)> presentOCRWindow;
    // No paste keystroke can be sent in this session (a Wayland compositor without a
    // virtual keyboard): with auto-paste on, Return copies and the footer asks for Ctrl+V.
    bool pasteKeystrokeUnavailable = false;
};

class ClipboardPanelController final : public QObject, public ClipboardPanelPresenting {
    Q_OBJECT
public:
    ClipboardPanelController(ClipboardPanelViewModel& viewModel, ClipboardPanelControllerServices services,
                             QObject* parent = nullptr);
    ~ClipboardPanelController() override;

    // The window and the save dialog; set once the widgets exist.
    void setWindow(ClipboardPanelWindowing* window) { window_ = window; }
    void setSavePanelPresenter(ClipboardSavePanelPresenting* presenter) { savePanel_ = presenter; }

    ClipboardPanelViewModel& viewModel() const { return viewModel_; }

    // ClipboardPanelPresenting: show resets the model and loads the first page.
    bool isVisible() const override;
    void show() override;
    void hide() override { dismiss(); }

    // A key pressed in the panel; true when it was handled (the field must not see it).
    bool handleKey(ClipboardPanelKeyCommand command);
    // The search field's text or cursor changed.
    void searchFieldEdited(const QString& text, qsizetype cursor);
    // Escape offered to the filter suggestions first: true when it closed them.
    bool closeFilterSuggestions();

    // The list: history rows, or filter suggestions while a filter token is typed.
    ClipboardResultListContentMode contentMode() const {
        return suggestions_.empty() ? ClipboardResultListContentMode::history
                                    : ClipboardResultListContentMode::filterSuggestions;
    }
    const std::vector<RankedFilterSuggestion>& filterSuggestions() const { return suggestions_; }
    int selectedSuggestionIndex() const { return selectedSuggestion_; }
    void selectSuggestion(int index);
    void applySuggestion(int index);

    // Item actions; an absent id means the selected item.
    void copy(const std::optional<QString>& id = std::nullopt, bool plainText = false);
    void copyWithFormatting(const std::optional<QString>& id = std::nullopt);
    void openLink(const std::optional<QString>& id = std::nullopt);
    void openWithDefaultApp(const std::optional<QString>& id = std::nullopt);
    void save(const std::optional<QString>& id = std::nullopt);
    void pin(const std::optional<QString>& id = std::nullopt);
    void recognizeText(const std::optional<QString>& id = std::nullopt);
    void deleteItem(const std::optional<QString>& id = std::nullopt);
    void toggleFormatting();
    // Click on a row: select it and copy it like Return.
    void activateRow(int index);

    // A row's content is fetched when it is pressed, so that a drag can start at once.
    void prepareDrag(const QString& id);
    // The payload of a prepared row; nullopt while its content has not arrived.
    std::optional<ClipboardDragPayload> dragPayload(const QString& id);

    bool canPin() const { return static_cast<bool>(services_.pinWindowFactory); }
    bool canRecognizeText() const { return static_cast<bool>(services_.presentOCRWindow); }
    // The link an item opens, when it is one that may be opened (http or https).
    static std::optional<QString> openableLink(const ClipboardHistoryIndexSnapshot& item);

    // Hides the panel and forgets the search, the error and the remembered window.
    void dismiss();

    const std::optional<QString>& footerErrorMessage() const { return footerErrorMessage_; }
    ClipboardFooterStatusPresentation footerStatus() const;

    // Proposed names and extensions, exposed for tests.
    static QString imageFileExtension(const QByteArray& imageData);
    static QString dragFileStem(const QString& itemId);

Q_SIGNALS:
    void footerChanged();
    void filterSuggestionsChanged();
    void visibilityChanged(bool visible);
    // An action finished (tests and the benchmark wait for it): its name and whether it worked.
    void actionFinished(const QString& action, bool succeeded);

private:
    std::optional<ClipboardHistoryIndexSnapshot> itemFor(const std::optional<QString>& id) const;
    void fetchContent(const QString& id, std::function<void(const ClipboardHistoryContentSnapshot&)> use);
    void finishCopy(bool written, const QString& id, const QString& action);
    // Auto-paste is wanted but synthetic keys are not allowed: says so and blocks the copy.
    bool autoPasteBlocked();
    void setFooterError(const std::optional<QString>& message);

    ClipboardPanelViewModel& viewModel_;
    ClipboardPanelControllerServices services_;
    ClipboardPanelWindowing* window_ = nullptr;
    ClipboardSavePanelPresenting* savePanel_ = nullptr;
    ClipboardFilterSuggestions suggestionSource_;
    std::optional<ClipboardFilterSuggestionContext> suggestionContext_;
    std::vector<RankedFilterSuggestion> suggestions_;
    int selectedSuggestion_ = 0;
    std::optional<QString> dismissedSuggestionText_;
    std::optional<ClipboardHistoryContentSnapshot> preparedDragContent_;
    QString preparingDragId_;
    std::optional<QString> footerErrorMessage_;
    // "Copied — press Ctrl+V" shows for copiedNoticeMs, then the panel hides.
    bool copiedNoticeShown_ = false;
    static constexpr int copiedNoticeMs = 1200;
    // Callbacks hold this weakly: an answer after the controller is gone does nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace quellpad
