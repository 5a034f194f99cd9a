#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "pin/PinWindowKeyMap.h"
#include "pin/PinWindowViewModel.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

// Records what a pin window is asked to show; the copy handler answers as told, at
// once or later.
struct PinWindowProbe {
    std::vector<std::optional<QString>> copied;
    bool copySucceeds = true;
    bool answerLater = false;
    std::function<void(bool)> pendingAnswer;
    std::vector<PinAlert> alerts;
    std::vector<PinSaveProposal> savePanels;
    int prompts = 0;
    int closes = 0;

    PinCopyHandler handler() {
        return [this](const std::optional<QString>& text, std::function<void(bool)> done) {
            copied.push_back(text);
            if (answerLater) {
                pendingAnswer = std::move(done);
            } else {
                done(copySucceeds);
            }
        };
    }
    std::unique_ptr<PinWindowViewModel> open(ClipboardContentType type, const ClipboardHistoryContentSnapshot& content) {
        auto model = std::make_unique<PinWindowViewModel>(type, content, handler());
        QObject::connect(model.get(), &PinWindowViewModel::alertRequested, [this](const PinAlert& a) { alerts.push_back(a); });
        QObject::connect(model.get(), &PinWindowViewModel::savePanelRequested,
                         [this](const PinSaveProposal& p) { savePanels.push_back(p); });
        QObject::connect(model.get(), &PinWindowViewModel::closePromptRequested, [this] { ++prompts; });
        QObject::connect(model.get(), &PinWindowViewModel::closeRequested, [this] { ++closes; });
        return model;
    }
};

ClipboardHistoryContentSnapshot textItem(const QString& text) {
    return {QStringLiteral("item-1"), text, {}, {}, {}, {}};
}

ClipboardHistoryContentSnapshot imageItem(std::optional<QByteArray> bytes) {
    return {QStringLiteral("item-2"), QStringLiteral("Image 2x2"), {}, {}, std::move(bytes), {}};
}

const QByteArray jpegBytes = QByteArray::fromHex("ffd8ffe000104a464946") + QByteArray(40, '\0');

TEST(PinWindowViewModelTest, ClosingAsksOnlyWhileTheTextDiffersFromTheOriginal) {
    PinWindowProbe probe;
    auto model = probe.open(ClipboardContentType::text, textItem(QStringLiteral("select 1")));
    model->requestClose();
    EXPECT_EQ(probe.closes, 1);
    EXPECT_EQ(probe.prompts, 0);

    model->setCurrentText(QStringLiteral("select 12"));
    EXPECT_TRUE(model->hasUnsavedChanges());
    model->requestClose();
    EXPECT_EQ(probe.prompts, 1);
    EXPECT_EQ(probe.closes, 1);

    // Undoing every edit brings the original back: no prompt any more.
    model->setCurrentText(QStringLiteral("select 1"));
    EXPECT_FALSE(model->hasUnsavedChanges());
    model->requestClose();
    EXPECT_EQ(probe.prompts, 1);
    EXPECT_EQ(probe.closes, 2);
}

TEST(PinWindowViewModelTest, ThePromptsAnswersCloseOnlyWhenNothingWouldBeLost) {
    QTemporaryDir dir;
    PinWindowProbe probe;
    auto model = probe.open(ClipboardContentType::text, textItem(QStringLiteral("a")));
    model->setCurrentText(QStringLiteral("ab"));

    model->answerClosePrompt(PinClosePromptAnswer::cancel);
    EXPECT_EQ(probe.closes, 0);

    // Save, then the dialog is cancelled: nothing written, the window stays.
    model->answerClosePrompt(PinClosePromptAnswer::save);
    ASSERT_EQ(probe.savePanels.size(), 1u);
    model->saveDialogFinished(std::nullopt);
    EXPECT_EQ(probe.closes, 0);

    // Save into a path that cannot be written: the alert, and the window stays.
    model->answerClosePrompt(PinClosePromptAnswer::save);
    model->saveDialogFinished(dir.filePath(QStringLiteral("missing/folder/x.txt")));
    ASSERT_EQ(probe.alerts.size(), 1u);
    EXPECT_EQ(probe.alerts[0].message, TextKey::pinSaveWriteFailed);
    EXPECT_EQ(probe.closes, 0);

    // A later save from the button must not close the window either.
    model->save();
    model->saveDialogFinished(dir.filePath(QStringLiteral("button.txt")));
    EXPECT_EQ(probe.closes, 0);
    EXPECT_TRUE(model->hasUnsavedChanges());

    model->answerClosePrompt(PinClosePromptAnswer::save);
    model->saveDialogFinished(dir.filePath(QStringLiteral("closing.txt")));
    EXPECT_EQ(probe.closes, 1);
    EXPECT_EQ(test::readFile(dir.filePath(QStringLiteral("closing.txt"))), QByteArray("ab"));

    model->answerClosePrompt(PinClosePromptAnswer::dontSave);
    EXPECT_EQ(probe.closes, 2);
}

TEST(PinWindowViewModelTest, CopyPassesTheTextOnlyWhenItWasEdited) {
    PinWindowProbe probe;
    auto model = probe.open(ClipboardContentType::text, textItem(QStringLiteral("hello")));
    model->copy();
    model->setCurrentText(QStringLiteral("hello, world"));
    model->copy();
    model->setCurrentText(QStringLiteral("hello"));
    model->copy();
    ASSERT_EQ(probe.copied.size(), 3u);
    EXPECT_EQ(probe.copied[0], std::nullopt);
    EXPECT_EQ(probe.copied[1], QStringLiteral("hello, world"));
    EXPECT_EQ(probe.copied[2], std::nullopt);
    EXPECT_TRUE(probe.alerts.empty());

    auto image = probe.open(ClipboardContentType::image, imageItem(jpegBytes));
    image->setCurrentText(QStringLiteral("not an edit of an image"));
    image->copy();
    EXPECT_EQ(probe.copied.back(), std::nullopt);
}

TEST(PinWindowViewModelTest, AFailedCopyRaisesTheAlertAndALateAnswerAfterClosingIsHarmless) {
    PinWindowProbe probe;
    probe.copySucceeds = false;
    auto model = probe.open(ClipboardContentType::text, textItem(QStringLiteral("x")));
    model->copy();
    ASSERT_EQ(probe.alerts.size(), 1u);
    EXPECT_EQ(probe.alerts[0], (PinAlert{TextKey::pinCopyFailedTitle, TextKey::pinCopyFailedMessage, {}}));

    probe.answerLater = true;
    model->copy();
    model.reset();
    probe.pendingAnswer(false);
    EXPECT_EQ(probe.alerts.size(), 1u);
}

TEST(PinWindowViewModelTest, SaveProposesANameFromTheContentAndWritesTheEditedTextAsUtf8) {
    QTemporaryDir dir;
    PinWindowProbe probe;
    auto text = probe.open(ClipboardContentType::text, textItem(QStringLiteral("原文")));
    text->setCurrentText(QStringLiteral("改过的文字 ✓\n"));
    text->save();
    ASSERT_EQ(probe.savePanels.size(), 1u);
    EXPECT_EQ(probe.savePanels[0], (PinSaveProposal{QStringLiteral("PinnedText.txt"), true}));
    const QString path = dir.filePath(QStringLiteral("PinnedText.txt"));
    text->saveDialogFinished(path);
    EXPECT_EQ(test::readFile(path), QStringLiteral("改过的文字 ✓\n").toUtf8());

    auto jpeg = probe.open(ClipboardContentType::image, imageItem(jpegBytes));
    EXPECT_EQ(jpeg->saveProposal(), (PinSaveProposal{QStringLiteral("PinnedImage.jpg"), false}));
    jpeg->saveDialogFinished(dir.filePath(QStringLiteral("PinnedImage.jpg")));
    EXPECT_EQ(test::readFile(dir.filePath(QStringLiteral("PinnedImage.jpg"))), jpegBytes);
    auto unknown = probe.open(ClipboardContentType::image, imageItem(QByteArray("not a known format")));
    EXPECT_EQ(unknown->saveProposal().fileName, QStringLiteral("PinnedImage.png"));
    EXPECT_TRUE(probe.alerts.empty());
}

TEST(PinWindowViewModelTest, AnImageWithoutBytesIsNotOfferedForSaving) {
    PinWindowProbe probe;
    auto model = probe.open(ClipboardContentType::image, imageItem(std::nullopt));
    model->save();
    EXPECT_TRUE(probe.savePanels.empty());
    ASSERT_EQ(probe.alerts.size(), 1u);
    EXPECT_EQ(probe.alerts[0], (PinAlert{TextKey::pinSaveFailedTitle, TextKey::pinSaveNoImageData, {}}));
}

TEST(PinWindowViewModelTest, SavingIntoAReadOnlyFolderReportsTheReasonAndKeepsTheFolderUntouched) {
    if (test::reranAsNobody()) return; // root ignores folder permissions
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("readonly"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(test::writeFile(folder + QStringLiteral("/PinnedText.txt"), "kept"));
    ::chmod(QFile::encodeName(folder).constData(), 0500);
    PinWindowProbe probe;
    auto model = probe.open(ClipboardContentType::text, textItem(QStringLiteral("a")));
    model->setCurrentText(QStringLiteral("b"));
    model->answerClosePrompt(PinClosePromptAnswer::save);
    model->saveDialogFinished(folder + QStringLiteral("/PinnedText.txt"));
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    ASSERT_EQ(probe.alerts.size(), 1u);
    EXPECT_EQ(probe.alerts[0].title, TextKey::pinSaveFailedTitle);
    EXPECT_EQ(probe.alerts[0].message, TextKey::pinSaveWriteFailed);
    ASSERT_EQ(probe.alerts[0].arguments.size(), 1);
    EXPECT_FALSE(probe.alerts[0].arguments[0].isEmpty());
    EXPECT_EQ(probe.closes, 0);
    EXPECT_EQ(test::readFile(folder + QStringLiteral("/PinnedText.txt")), QByteArray("kept"));
}

TEST(PinWindowKeyMapTest, ImageWindowsSwallowTheEditingKeysAndTextWindowsGetThem) {
    using C = PinWindowKeyCommand;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        std::optional<C> text;
        std::optional<C> image;
    };
    const Case cases[] = {
        {Qt::Key_Escape, Qt::NoModifier, C::close, C::close},
        {Qt::Key_W, ctrl, C::close, C::close},
        {Qt::Key_S, ctrl, C::save, C::save},
        {Qt::Key_C, ctrl, C::copy, C::copy},
        {Qt::Key_A, ctrl, C::selectAll, C::ignore},
        {Qt::Key_V, ctrl, C::paste, C::ignore},
        {Qt::Key_X, ctrl, C::cut, C::ignore},
        {Qt::Key_Z, ctrl, C::undo, std::nullopt},
        {Qt::Key_Z, ctrl | Qt::ShiftModifier, C::redo, std::nullopt},
        {Qt::Key_A, Qt::NoModifier, std::nullopt, std::nullopt},
        {Qt::Key_Escape, Qt::ShiftModifier, std::nullopt, std::nullopt},
        {Qt::Key_C, ctrl | Qt::AltModifier, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pinWindowKeyCommand(c.key, c.modifiers, false), c.text) << c.key;
        EXPECT_EQ(pinWindowKeyCommand(c.key, c.modifiers, true), c.image) << c.key;
    }
}

} // namespace
} // namespace quellpad
