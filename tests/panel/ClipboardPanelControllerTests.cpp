// The panel's actions over in-memory services: what reaches the clipboard (and
// whether capture was suspended for it), when the panel closes, what is pasted where,
// which files other applications get, and the keys that lead there.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "localization/Localizer.h"
#include "panel/ClipboardDirectPaste.h"
#include "panel/ClipboardDragPayload.h"
#include "panel/ClipboardHoverSelectionGate.h"
#include "panel/ClipboardPanelController.h"
#include "panel/ClipboardPanelViewModel.h"
#include "panel/ClipboardPanelWindowing.h"
#include "panel/ClipboardTemporaryFiles.h"
#include "platform/fake/FakeKeySynthesizer.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeWindowActivation.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualTimerScheduler.h"
#include "settings/PreferenceKeys.h"
#include "support/TestSupport.h"
#include "panel/PanelTestDoubles.h"

namespace quellpad {
namespace {

using test::PanelHistory;
using test::FakePanelHistoryManager;
using test::FakePanelSearchService;

void drainEvents() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

class RecordingWindow final : public ClipboardPanelWindowing, public ClipboardSavePanelPresenting {
public:
    bool visible = false;
    int clears = 0;
    std::optional<QString> formattedFor;
    QString formattedText;
    bool formatting = true;
    QString fieldSelection;
    int actionMenus = 0;
    QString fieldText;
    std::optional<QString> savePath;
    QString proposedName;
    QString saveError;

    bool isWindowVisible() const override { return visible; }
    void showWindow() override { visible = true; }
    void hideWindow() override { visible = false; }
    void clearSearchField() override { ++clears; }
    void setSearchFieldText(const QString& text, qsizetype) override { fieldText = text; }
    std::optional<QString> detailFormattedText(const QString& itemId) const override {
        if (formatting && formattedFor == itemId) return formattedText;
        return std::nullopt;
    }
    bool isDetailFormattingEnabled() const override { return formatting; }
    void setDetailFormattingEnabled(bool enabled) override { formatting = enabled; }
    QString searchFieldSelectedText() const override { return fieldSelection; }
    void openActionsMenuForSelectedRow() override { ++actionMenus; }
    void presentSavePanel(const QString& proposed, bool, std::function<void(std::optional<QString>)> done) override {
        proposedName = proposed;
        done(savePath);
    }
    void showSaveError(const QString& message) override { saveError = message; }
};

class ClipboardPanelControllerTest : public ::testing::Test {
protected:
    std::shared_ptr<PanelHistory> history = std::make_shared<PanelHistory>();
    std::shared_ptr<FakePanelSearchService> search = std::make_shared<FakePanelSearchService>(history);
    std::shared_ptr<FakePanelHistoryManager> manager = std::make_shared<FakePanelHistoryManager>(history);
    InMemoryDefaultsStore defaults;
    ManualTimerScheduler timers;
    Localizer localizer{defaults};
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeWindowActivation windows;
    FakeKeySynthesizer keys;
    QTemporaryDir scratch;
    std::unique_ptr<ClipboardTemporaryFiles> temporaryFiles =
        std::make_unique<ClipboardTemporaryFiles>(timers, scratch.path() + QStringLiteral("/private"), 5.0);
    ClipboardDirectPaste directPaste{windows, keys, timers, defaults, DistributionChannel::direct, 999};
    bool trusted = true;
    ClipboardPanelViewModel model{manager, search, defaults, timers, localizer};
    RecordingWindow window;
    std::unique_ptr<ClipboardPanelController> controller;
    std::vector<QString> pinned;

    void SetUp() override {
        history->add(QStringLiteral("A"), QStringLiteral("{\"b\":1}"));
        history->add(QStringLiteral("B"), QStringLiteral("second"));
        history->add(QStringLiteral("C"), QStringLiteral("https://example.com/a?b=c"));
        history->contents[QStringLiteral("A")].richTextHTMLData = QByteArray("<b>{\"b\":1}</b>");
        windows.active = ActiveWindow{77, QStringLiteral("org.example.Editor"), 4242};
        ClipboardPanelControllerServices services{
            .pasteboard = pasteboard,
            .workspace = workspace,
            .defaults = defaults,
            .localizer = localizer,
            .temporaryFiles = *temporaryFiles,
            .channel = DistributionChannel::direct,
            .directPaste = &directPaste,
            .isAccessibilityTrusted = [this] { return trusted; },
            .isRecordingPaused = [] { return false; },
            .pinWindowFactory = [this](ClipboardContentType, const ClipboardHistoryContentSnapshot& content) {
                pinned.push_back(content.id);
            },
            .presentOCRWindow = nullptr,
        };
        controller = std::make_unique<ClipboardPanelController>(model, services);
        controller->setWindow(&window);
        controller->setSavePanelPresenter(&window);
        // Written while capture is suspended, or not at all.
        manager->onWithoutCapture = [this] { writesInsideSuspension = clipboardText(); };
    }

    void open() {
        directPaste.rememberActiveWindow();
        controller->show();
        drainEvents();
    }
    QString clipboardText() {
        const auto data = pasteboard.dataForType(PasteboardTypes::plainText, 1 << 20);
        return data ? QString::fromUtf8(data->bytes) : QString();
    }
    void runTimers() {
        while (timers.fireNext()) {
        }
        drainEvents();
    }

    QString writesInsideSuspension;
};

TEST_F(ClipboardPanelControllerTest, ReturnCopiesWithoutRecapturingRecordsTheUseClosesAndReturnsToTheWindow) {
    open();
    ASSERT_TRUE(window.visible);
    windows.active = ActiveWindow{5, QStringLiteral("quellpad"), 999}; // the panel has the focus now
    controller->handleKey(ClipboardPanelKeyCommand::selectNext);
    controller->handleKey(ClipboardPanelKeyCommand::copy);
    drainEvents();
    EXPECT_EQ(clipboardText(), QStringLiteral("second"));
    EXPECT_EQ(writesInsideSuspension, QStringLiteral("second"));
    EXPECT_EQ(manager->used, std::vector<QString>{QStringLiteral("B")});
    EXPECT_FALSE(window.visible);
    EXPECT_GE(window.clears, 1);
    EXPECT_EQ(windows.active->windowId, 77u) << "the previous window gets the focus back";
    runTimers();
    EXPECT_TRUE(keys.posted.empty()) << "nothing is typed unless auto-paste is on";

    // Shift+Return: plain text only, even for rich items.
    open();
    controller->handleKey(ClipboardPanelKeyCommand::copyPlainText);
    drainEvents();
    EXPECT_EQ(pasteboard.types(), QStringList{PasteboardTypes::plainText});
    open();
    controller->handleKey(ClipboardPanelKeyCommand::copy);
    drainEvents();
    EXPECT_TRUE(pasteboard.types().contains(PasteboardTypes::html));
}

TEST_F(ClipboardPanelControllerTest, AFailedWriteKeepsThePanelOpenWithItsMessageAndPastesNothing) {
    defaults.set(PreferenceKeys::directPasteReturnKeyAutoPasteEnabled, true);
    open();
    pasteboard.setWriteFails(true);
    controller->handleKey(ClipboardPanelKeyCommand::copy);
    drainEvents();
    runTimers();
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(model.errorMessage(), QStringLiteral("Failed to copy the selected entry."));
    EXPECT_EQ(controller->footerStatus().message, QStringLiteral("Failed to copy the selected entry."));
    EXPECT_TRUE(manager->used.empty());
    EXPECT_TRUE(keys.posted.empty());

    // An item deleted meanwhile (from the command line) fails the same way.
    pasteboard.setWriteFails(false);
    history->remove(QStringLiteral("A"));
    controller->copy(QStringLiteral("A"));
    drainEvents();
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(model.errorMessage(), QStringLiteral("Failed to copy the selected entry."));
}

TEST_F(ClipboardPanelControllerTest, AutoPasteNeedsPermissionThenPastesIntoThePreviousWindowOnceItIsActive) {
    defaults.set(PreferenceKeys::directPasteReturnKeyAutoPasteEnabled, true);
    trusted = false;
    open();
    controller->handleKey(ClipboardPanelKeyCommand::copy);
    drainEvents();
    EXPECT_TRUE(clipboardText().isEmpty()) << "nothing is copied without permission";
    EXPECT_TRUE(window.visible);
    EXPECT_TRUE(model.errorMessage()->startsWith(QStringLiteral("Turn on Accessibility permission")));

    trusted = true;
    windows.active = ActiveWindow{5, QStringLiteral("quellpad"), 999};
    controller->handleKey(ClipboardPanelKeyCommand::copy);
    drainEvents();
    EXPECT_FALSE(window.visible);
    EXPECT_TRUE(keys.posted.empty()) << "the keystroke waits for the window";
    runTimers();
    EXPECT_EQ(keys.posted, std::vector<PasteKeystroke>{PasteKeystroke::controlV});
}

TEST_F(ClipboardPanelControllerTest, WhereNothingCanTypeReturnCopiesAndTheFooterAsksForCtrlV) {
    // A Wayland compositor without a virtual keyboard: no direct paste at all.
    ClipboardPanelControllerServices services{
        .pasteboard = pasteboard,
        .workspace = workspace,
        .defaults = defaults,
        .localizer = localizer,
        .temporaryFiles = *temporaryFiles,
        .channel = DistributionChannel::direct,
        .directPaste = nullptr,
        .isAccessibilityTrusted = nullptr,
        .isRecordingPaused = nullptr,
        .pinWindowFactory = nullptr,
        .presentOCRWindow = nullptr,
        .pasteKeystrokeUnavailable = true,
    };
    controller = std::make_unique<ClipboardPanelController>(model, services);
    controller->setWindow(&window);
    defaults.set(PreferenceKeys::directPasteReturnKeyAutoPasteEnabled, true);
    controller->show();
    drainEvents();
    controller->handleKey(ClipboardPanelKeyCommand::copy);
    drainEvents();
    EXPECT_EQ(clipboardText(), QStringLiteral("{\"b\":1}"));
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(controller->footerStatus().message, QStringLiteral("Copied — press Ctrl+V"));
    defaults.set(PreferenceKeys::appLanguage, QStringLiteral("zh-Hans"));
    EXPECT_EQ(controller->footerStatus().message, QStringLiteral("已复制 — 请按 Ctrl+V"));
    EXPECT_TRUE(test::processEventsUntil([&] { return !window.visible; }, 5000)) << "the panel gets out of the way";

    // Without auto-paste, Return only ever meant copy: the panel closes at once.
    defaults.set(PreferenceKeys::directPasteReturnKeyAutoPasteEnabled, false);
    controller->show();
    drainEvents();
    controller->handleKey(ClipboardPanelKeyCommand::copy);
    drainEvents();
    EXPECT_FALSE(window.visible);
    EXPECT_TRUE(keys.posted.empty());
}

TEST_F(ClipboardPanelControllerTest, CtrlCCopiesTheFormattedTextInsideTheSuspensionOrFallsBackToANormalCopy) {
    open();
    window.formattedFor = QStringLiteral("A");
    window.formattedText = QStringLiteral("{\n    \"b\": 1\n}");
    controller->handleKey(ClipboardPanelKeyCommand::copyFieldSelectionOrFormatted);
    drainEvents();
    EXPECT_EQ(clipboardText(), window.formattedText);
    EXPECT_EQ(writesInsideSuspension, window.formattedText);
    EXPECT_FALSE(window.visible);

    // A failed formatted write does not close the panel (Return would paste the old clipboard).
    open();
    pasteboard.setWriteFails(true);
    controller->handleKey(ClipboardPanelKeyCommand::copyFieldSelectionOrFormatted);
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(model.errorMessage(), QStringLiteral("Failed to copy the selected entry."));
    pasteboard.setWriteFails(false);

    // Formatting off: the stored text. Text selected in the field: that text.
    controller->handleKey(ClipboardPanelKeyCommand::toggleFormatting);
    EXPECT_FALSE(window.formatting);
    controller->handleKey(ClipboardPanelKeyCommand::copyFieldSelectionOrFormatted);
    drainEvents();
    EXPECT_EQ(clipboardText(), QStringLiteral("{\"b\":1}"));
    open();
    window.fieldSelection = QStringLiteral("typed");
    controller->handleKey(ClipboardPanelKeyCommand::copyFieldSelectionOrFormatted);
    EXPECT_EQ(clipboardText(), QStringLiteral("typed"));
    EXPECT_TRUE(window.visible);
}

TEST_F(ClipboardPanelControllerTest, OnlyWebLinksAreOpened) {
    open();
    model.select(2);
    controller->openLink();
    ASSERT_EQ(workspace.openedUrls.size(), 1u);
    EXPECT_EQ(workspace.openedUrls[0], QUrl(QStringLiteral("https://example.com/a?b=c")));
    EXPECT_FALSE(window.visible);

    for (const QString& text : {QStringLiteral("file:///etc/passwd"), QStringLiteral("javascript:alert(1)"),
                                QStringLiteral("smb://host/share"), QStringLiteral("https://example.com and more")}) {
        history->addFront(QStringLiteral("L"), text);
        open();
        EXPECT_FALSE(ClipboardPanelController::openableLink(model.clipboardItems()[0])) << text.toStdString();
        controller->openLink(QStringLiteral("L"));
        history->remove(QStringLiteral("L"));
    }
    EXPECT_EQ(workspace.openedUrls.size(), 1u);
}

TEST_F(ClipboardPanelControllerTest, OpenWithDefaultAppHandsOverAPrivateFileThatIsRemovedLater) {
    ::umask(022);
    open();
    window.formattedFor = QStringLiteral("A");
    window.formattedText = QStringLiteral("pretty");
    controller->handleKey(ClipboardPanelKeyCommand::openWithDefaultApp);
    drainEvents();
    ASSERT_EQ(workspace.openedUrls.size(), 1u);
    const QString path = workspace.openedUrls[0].toLocalFile();
    EXPECT_TRUE(path.startsWith(temporaryFiles->root()));
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith(QStringLiteral("Quellpad_A")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("pretty")) << "the text the pane shows";
    EXPECT_EQ(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
    struct stat folder {};
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);

    runTimers(); // the lifetime passes
    temporaryFiles->drain();
    EXPECT_FALSE(QFile::exists(path));

    // Whatever is still there goes at exit.
    open();
    controller->openWithDefaultApp(QStringLiteral("B"));
    drainEvents();
    const QString second = workspace.openedUrls.back().toLocalFile();
    ASSERT_TRUE(QFile::exists(second));
    temporaryFiles.reset();
    EXPECT_FALSE(QFile::exists(second));
}

TEST_F(ClipboardPanelControllerTest, TemporaryFilesRefuseAFolderPlantedByAnotherUser) {
    const QString planted = scratch.path() + QStringLiteral("/planted");
    ASSERT_TRUE(QDir().mkpath(planted + QStringLiteral("/target")));
    // A link in place of the private folder, pointing at a folder the attacker can read.
    ASSERT_TRUE(QFile::link(planted + QStringLiteral("/target"), planted + QStringLiteral("/root")));
    ClipboardTemporaryFiles linked(timers, planted + QStringLiteral("/root"));
    const auto viaLink = linked.write(QStringLiteral("open"), QStringLiteral("x.txt"), "secret");
    EXPECT_FALSE(viaLink.path);
    EXPECT_FALSE(viaLink.error.isEmpty());
    EXPECT_FALSE(QFile::exists(planted + QStringLiteral("/target/open/x.txt")));

    const QString foreign = planted + QStringLiteral("/foreign");
    ASSERT_TRUE(QDir().mkpath(foreign));
    ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0) << "tests run as root";
    ClipboardTemporaryFiles owned(timers, foreign);
    EXPECT_FALSE(owned.write(QStringLiteral("open"), QStringLiteral("x.txt"), "secret").path);

    ClipboardTemporaryFiles good(timers, planted + QStringLiteral("/good"));
    EXPECT_FALSE(good.write(QStringLiteral("open"), QStringLiteral("../escape.txt"), "x").path);
}

TEST_F(ClipboardPanelControllerTest, SaveProposesNamesWritesTheShownTextAndReportsFailures) {
    open();
    window.savePath = scratch.path() + QStringLiteral("/saved.txt");
    window.formattedFor = QStringLiteral("A");
    window.formattedText = QStringLiteral("pretty");
    controller->handleKey(ClipboardPanelKeyCommand::save);
    drainEvents();
    EXPECT_EQ(window.proposedName, QStringLiteral("ClipboardText.txt"));
    QFile saved(*window.savePath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("pretty"));
    EXPECT_EQ(workspace.revealedFiles, std::vector<QString>{*window.savePath});

    EXPECT_EQ(ClipboardPanelController::imageFileExtension(QByteArray("\x89PNG\r\n\x1a\n", 8)), QStringLiteral("png"));
    EXPECT_EQ(ClipboardPanelController::imageFileExtension(QByteArray("\xff\xd8\xff\xe0", 4)), QStringLiteral("jpg"));
    EXPECT_EQ(ClipboardPanelController::imageFileExtension(QByteArray("not an image")), QStringLiteral("png"));

    open();
    window.savePath = scratch.path() + QStringLiteral("/no/such/folder/saved.txt");
    controller->save(QStringLiteral("B"));
    drainEvents();
    EXPECT_TRUE(window.saveError.startsWith(QStringLiteral("Could not save the file: ")));
    EXPECT_EQ(workspace.revealedFiles.size(), 1u);
}

TEST_F(ClipboardPanelControllerTest, KeysDeleteRowsPinItemsAndEscapeClosesSuggestionsBeforeThePanel) {
    open();
    controller->handleKey(ClipboardPanelKeyCommand::deleteItem);
    EXPECT_EQ(manager->deleted, std::vector<QString>{QStringLiteral("A")});
    EXPECT_EQ(model.selectedItem()->id, QStringLiteral("B"));
    EXPECT_TRUE(window.visible);

    controller->handleKey(ClipboardPanelKeyCommand::openActionsMenu);
    EXPECT_EQ(window.actionMenus, 1);
    controller->handleKey(ClipboardPanelKeyCommand::pin);
    drainEvents();
    EXPECT_EQ(pinned, std::vector<QString>{QStringLiteral("B")});
    EXPECT_FALSE(window.visible);

    open();
    controller->searchFieldEdited(QStringLiteral(":"), 1);
    ASSERT_EQ(controller->contentMode(), ClipboardResultListContentMode::filterSuggestions);
    const size_t callsBefore = search->calls.size();
    ASSERT_GT(controller->filterSuggestions().size(), 1u);
    controller->handleKey(ClipboardPanelKeyCommand::selectNext);
    EXPECT_EQ(controller->selectedSuggestionIndex(), 1);
    controller->handleKey(ClipboardPanelKeyCommand::dismissOrCloseCompletion);
    EXPECT_EQ(controller->contentMode(), ClipboardResultListContentMode::history);
    EXPECT_TRUE(window.visible);

    // Return applies a suggestion and searches at once, without the debounce.
    controller->searchFieldEdited(QStringLiteral("type:js"), 7);
    EXPECT_EQ(controller->contentMode(), ClipboardResultListContentMode::history) << "only a colon after a space";
    controller->searchFieldEdited(QStringLiteral("x :js"), 5);
    ASSERT_EQ(controller->contentMode(), ClipboardResultListContentMode::filterSuggestions);
    const QString token = controller->filterSuggestions()[0].suggestion.insertToken;
    controller->handleKey(ClipboardPanelKeyCommand::copy);
    EXPECT_EQ(window.fieldText, QStringLiteral("x ") + token);
    ASSERT_GT(search->calls.size(), callsBefore);
    EXPECT_EQ(search->calls.back().text.toLower(), (QStringLiteral("x ") + token).toLower());
    EXPECT_EQ(controller->contentMode(), ClipboardResultListContentMode::history);
    controller->searchFieldEdited(window.fieldText, window.fieldText.size());
    EXPECT_EQ(controller->contentMode(), ClipboardResultListContentMode::history) << "an applied suggestion stays closed";

    controller->handleKey(ClipboardPanelKeyCommand::dismissOrCloseCompletion);
    EXPECT_FALSE(window.visible);
}

TEST_F(ClipboardPanelControllerTest, ADragCarriesTheTextItsRichFormsAndAPrivateFileOnceTheContentArrived) {
    open();
    EXPECT_FALSE(controller->dragPayload(QStringLiteral("A"))) << "nothing before the row was pressed";
    controller->prepareDrag(QStringLiteral("A"));
    controller->prepareDrag(QStringLiteral("B")); // the pointer went down on another row first
    drainEvents();
    EXPECT_FALSE(controller->dragPayload(QStringLiteral("A")));
    controller->prepareDrag(QStringLiteral("A"));
    drainEvents();
    const std::optional<ClipboardDragPayload> payload = controller->dragPayload(QStringLiteral("A"));
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload->text, QStringLiteral("{\"b\":1}"));
    EXPECT_EQ(payload->html, QByteArray("<b>{\"b\":1}</b>"));
    ASSERT_TRUE(payload->filePath);
    EXPECT_EQ(QFileInfo(*payload->filePath).fileName(), QStringLiteral("Quellpad_A.txt"));
    EXPECT_EQ(QFileInfo(*payload->filePath).absolutePath(),
              temporaryFiles->root() + QStringLiteral("/") + ClipboardDragPayload::folderName);
    QFile file(*payload->filePath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("{\"b\":1}"));

    history->add(QStringLiteral("IMG"), QString());
    history->contents[QStringLiteral("IMG")].imageData = QByteArray("\xff\xd8\xff\xe0 jpeg", 9);
    controller->prepareDrag(QStringLiteral("IMG"));
    drainEvents();
    const std::optional<ClipboardDragPayload> image = controller->dragPayload(QStringLiteral("IMG"));
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->text);
    EXPECT_EQ(image->imageMimeType, QStringLiteral("image/jpeg"));
    EXPECT_TRUE(image->filePath && image->filePath->endsWith(QStringLiteral("Quellpad_IMG.jpg")));
}

TEST(ClipboardPanelKeyMapTest, EditingKeysStayWithTheFieldAndItemCommandsDoNotCollide) {
    using C = ClipboardPanelKeyCommand;
    EXPECT_EQ(clipboardPanelKeyCommand(Qt::Key_Return, Qt::NoModifier), C::copy);
    EXPECT_EQ(clipboardPanelKeyCommand(Qt::Key_Enter, Qt::KeypadModifier), C::copy);
    EXPECT_EQ(clipboardPanelKeyCommand(Qt::Key_Return, Qt::ControlModifier), C::copy);
    EXPECT_EQ(clipboardPanelKeyCommand(Qt::Key_Return, Qt::ShiftModifier), C::copyPlainText);
    EXPECT_EQ(clipboardPanelKeyCommand(Qt::Key_P, Qt::ControlModifier), C::selectPrevious);
    EXPECT_EQ(clipboardPanelKeyCommand(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier), C::pin);
    EXPECT_EQ(clipboardPanelKeyCommand(Qt::Key_Delete, Qt::ControlModifier), C::deleteItem);
    EXPECT_EQ(clipboardPanelKeyCommand(Qt::Key_K, Qt::ControlModifier), C::openActionsMenu);
    for (const auto& [key, modifiers] : std::vector<std::pair<int, Qt::KeyboardModifiers>>{
             {Qt::Key_Backspace, Qt::ControlModifier}, {Qt::Key_Delete, Qt::NoModifier}, {Qt::Key_A, Qt::ControlModifier},
             {Qt::Key_V, Qt::ControlModifier}, {Qt::Key_X, Qt::ControlModifier}, {Qt::Key_Z, Qt::ControlModifier},
             {Qt::Key_Left, Qt::ControlModifier}, {Qt::Key_Home, Qt::NoModifier}, {Qt::Key_A, Qt::NoModifier}}) {
        EXPECT_FALSE(clipboardPanelKeyCommand(key, modifiers)) << key;
    }
}

TEST(ClipboardFooterStatusTest, FirstMatchWinsAndTextsFollowTheLanguage) {
    InMemoryDefaultsStore defaults;
    const Localizer localizer(defaults);
    using P = ClipboardFooterStatusPresentation;
    P::Inputs inputs;
    EXPECT_EQ(P::make(inputs, localizer).trailingAccessory, P::TrailingAccessory::tip);
    inputs.textCaptureEnabled = false;
    inputs.imageCaptureEnabled = false;
    EXPECT_EQ(P::make(inputs, localizer).message, QStringLiteral("Clipboard recording off"));
    inputs.recordingPaused = true;
    EXPECT_EQ(P::make(inputs, localizer).message, QStringLiteral("Clipboard recording paused"));
    inputs.updateReady = true;
    inputs.updateVersion = QStringLiteral("2.1");
    const P update = P::make(inputs, localizer);
    EXPECT_EQ(update.message, QStringLiteral("2.1 is ready. Open the menu and choose Update to 2.1."));
    EXPECT_EQ(update.trailingAccessory, P::TrailingAccessory::action);
    inputs.footerErrorMessage = QStringLiteral("Failed to copy the selected entry.");
    EXPECT_EQ(P::make(inputs, localizer).message, *inputs.footerErrorMessage);
    EXPECT_FALSE(P::make(inputs, localizer).action);

    defaults.set(QStringLiteral("AppLanguage"), QStringLiteral("zh-Hans"));
    inputs = {};
    inputs.recordingPaused = true;
    EXPECT_EQ(P::make(inputs, localizer).message, QStringLiteral("剪贴板记录已暂停"));
}

TEST(ClipboardHoverSelectionGateTest, ARestingPointerCannotStealTheSelectionUntilItMoves) {
    ClipboardHoverSelectionGate gate;
    EXPECT_TRUE(gate.allowsHover({10, 10}));
    gate.suppress(QPointF(10, 10));
    EXPECT_FALSE(gate.allowsHover({10.3, 10.3}));
    EXPECT_TRUE(gate.isHoverSuppressedUntilPointerMoves());
    EXPECT_TRUE(gate.allowsHover({10, 12}));
    EXPECT_FALSE(gate.isHoverSuppressedUntilPointerMoves());

    gate.suppress(std::nullopt); // where the pointer rests is learnt from the next event
    EXPECT_FALSE(gate.allowsHover({50, 50}));
    EXPECT_FALSE(gate.allowsHover({50.2, 50}));
    EXPECT_TRUE(gate.allowsHover({52, 50}));

    EXPECT_EQ(ClipboardPanelController::dragFileStem(QStringLiteral("4F3A-99B2-C0DE-1234")), QStringLiteral("4F3A-99B2-C0"));
    EXPECT_EQ(ClipboardPanelController::dragFileStem(QStringLiteral("/../é?")), QStringLiteral("item"));
}

} // namespace
} // namespace quellpad
