#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPromise>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "localization/Localizer.h"
#include "pin/widgets/PinWindow.h"
#include "pin/widgets/RecognizedTextWindow.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "settings/PreferenceKeys.h"
#include "support/TestSupport.h"
#include "support/WidgetScreenshots.h"

namespace quellpad {
namespace {

class PinWindowTest : public ::testing::Test {
protected:
    InMemoryDefaultsStore defaults;
    Localizer localizer{defaults};
    std::vector<std::optional<QString>> copied;

    void TearDown() override {
        // Dialogs are top-level too but belong to their window: delete only what still lives.
        std::vector<QPointer<QWidget>> windows;
        for (QWidget* window : QApplication::topLevelWidgets()) windows.emplace_back(window);
        for (const QPointer<QWidget>& window : windows) delete window.data();
    }

    QPointer<PinWindow> openText(const QString& text) {
        const PinCopyHandler handler = [this](const std::optional<QString>& edited, std::function<void(bool)> done) {
            copied.push_back(edited);
            done(true);
        };
        PinWindow* window = PinWindow::open(ClipboardContentType::text, {QStringLiteral("id"), text, {}, {}, {}, {}},
                                            handler, defaults, localizer);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        return window;
    }
    void setLanguage(const QString& code) { defaults.set(PreferenceKeys::appLanguage, code); }
    static void saveScreenshot(QWidget* window, const QString& name) {
        QApplication::processEvents();
        QDir().mkpath(QStringLiteral(QUELLPAD_SCREENSHOT_DIR));
        QPixmap shot = window->grab();
        if (auto* box = window->findChild<QMessageBox*>(); box && box->isVisible()) {
            QPainter painter(&shot);
            painter.drawPixmap(box->geometry().topLeft() - window->geometry().topLeft(), box->grab());
        }
        shot.save(QStringLiteral(QUELLPAD_SCREENSHOT_DIR "/") + name + QStringLiteral(".png"));
    }
};

TEST_F(PinWindowTest, UndoingEveryEditClosesWithoutAskingAndAnEditAsksFirst) {
    QPointer<PinWindow> window = openText(QStringLiteral("SELECT 1"));
    QPlainTextEdit* text = window->textView();
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, QStringLiteral("23"));
    EXPECT_TRUE(window->model().hasUnsavedChanges());
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("SELECT 1"));
    EXPECT_FALSE(window->model().hasUnsavedChanges());

    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(window->model().hasUnsavedChanges());
    QTest::keyClick(text, Qt::Key_Escape);
    ASSERT_TRUE(test::processEventsUntil([&] { return window->messageBox() && window->messageBox()->isVisible(); }));
    QMessageBox* prompt = window->messageBox();
    EXPECT_EQ(prompt->text(), QStringLiteral("Save Changes?"));
    EXPECT_EQ(prompt->button(QMessageBox::Save)->text(), QStringLiteral("Save"));
    EXPECT_EQ(prompt->button(QMessageBox::Discard)->text(), QStringLiteral("Don't Save"));
    EXPECT_EQ(prompt->button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
    saveScreenshot(window, QStringLiteral("pin-window-close-prompt-en"));
    prompt->button(QMessageBox::Cancel)->click();
    test::drainEvents();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());

    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_W, Qt::ControlModifier);
    ASSERT_TRUE(test::processEventsUntil([&] { return window.isNull(); }));
}

TEST_F(PinWindowTest, CtrlCCopiesTheSelectionAndTheButtonTheEditedText) {
    QPointer<PinWindow> window = openText(QStringLiteral("alpha beta"));
    QPlainTextEdit* text = window->textView();
    QTextCursor cursor = text->textCursor();
    cursor.setPosition(6);
    cursor.setPosition(10, QTextCursor::KeepAnchor);
    text->setTextCursor(cursor);
    QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("beta"));
    EXPECT_TRUE(copied.empty());

    window->copyButton()->click();
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(text, QStringLiteral("gamma"));
    window->copyButton()->click();
    ASSERT_EQ(copied.size(), 2u);
    EXPECT_EQ(copied[0], std::nullopt);
    EXPECT_EQ(copied[1], QStringLiteral("gamma"));
}

TEST_F(PinWindowTest, SaveFromThePromptWritesTheFileThroughTheDialogAndCloses) {
    QTemporaryDir dir;
    QPointer<PinWindow> window = openText(QStringLiteral("draft"));
    QTest::keyClicks(window->textView(), QStringLiteral("final "));
    window->close(); // the title bar's close button
    ASSERT_TRUE(test::processEventsUntil([&] { return window->messageBox() && window->messageBox()->isVisible(); }));
    window->messageBox()->button(QMessageBox::Save)->click();
    ASSERT_TRUE(test::processEventsUntil([&] { return window->saveDialog() && window->saveDialog()->isVisible(); }));
    QFileDialog* dialog = window->saveDialog();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save"));
    EXPECT_EQ(dialog->labelText(QFileDialog::FileName), QStringLiteral("Save As:"));
    EXPECT_TRUE(dialog->selectedFiles().value(0).endsWith(QStringLiteral("/PinnedText.txt")));
    const QString path = dir.filePath(QStringLiteral("kept.txt"));
    // As a user does: another folder, and a name typed over the proposed one.
    dialog->setDirectory(dir.path());
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_TRUE(name);
    name->setText(QStringLiteral("kept.txt"));
    QMetaObject::invokeMethod(dialog, "accept");
    ASSERT_TRUE(test::processEventsUntil([&] { return window.isNull(); }));
    EXPECT_EQ(test::readFile(path), QByteArray("final draft"));
}

TEST_F(PinWindowTest, FollowsTheLanguageWhileOpenAndShowsUndecodableImagesAsMissing) {
    QPointer<PinWindow> text = openText(QStringLiteral("SELECT id, name\nFROM users\nWHERE active = 1;"));
    EXPECT_EQ(text->windowTitle(), QStringLiteral("Floating Window"));
    EXPECT_FALSE(text->textView()->accessibleName().isEmpty());
    saveScreenshot(text, QStringLiteral("pin-window-text-en"));
    setLanguage(QStringLiteral("zh-Hans"));
    EXPECT_EQ(text->windowTitle(), QStringLiteral("悬浮窗口"));
    EXPECT_EQ(text->copyButton()->text(), QStringLiteral("复制"));
    EXPECT_EQ(text->saveButton()->accessibleName(), QStringLiteral("保存"));
    saveScreenshot(text, QStringLiteral("pin-window-text-zh"));
    {
        const test::ScopedDarkPalette dark;
        saveScreenshot(text, QStringLiteral("pin-window-text-zh-dark"));
    }

    PinWindow* image = PinWindow::open(ClipboardContentType::image,
                                       {QStringLiteral("img"), QString(), {}, {}, QByteArray("not an image"), {}},
                                       nullptr, defaults, localizer);
    EXPECT_EQ(image->imageView()->text(), QStringLiteral("没有图片数据"));
    setLanguage(QStringLiteral("en"));
    EXPECT_EQ(image->imageView()->text(), QStringLiteral("No image data"));
    // The copy handler is missing: the failure is shown, not swallowed.
    QTest::keyClick(image->imageView(), Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(test::processEventsUntil([&] { return image->messageBox() && image->messageBox()->isVisible(); }));
    EXPECT_EQ(image->messageBox()->informativeText(),
              QStringLiteral("Unable to copy this floating window content to the clipboard."));
}

TEST_F(PinWindowTest, TheRecognizedTextWindowShowsProgressFailureAndText) {
    std::vector<std::shared_ptr<QPromise<ClipboardImageTextRecognition>>> pending;
    RecognizedTextServices services{
        .fetchContent = nullptr,
        .recognize =
            [&](const QByteArray&) {
                auto promise = std::make_shared<QPromise<ClipboardImageTextRecognition>>();
                promise->start();
                pending.push_back(promise);
                return promise->future();
            },
        .copyText = [](const QString&) { return true; },
    };
    QImage image(320, 90, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    QPointer<RecognizedTextWindow> window =
        RecognizedTextWindow::open(png, QStringLiteral("img"), services, defaults, localizer);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("Recognizing text…"));
    EXPECT_FALSE(window->recognizeAgainButton()->isEnabled());
    ClipboardImageTextRecognition done;
    done.status = ClipboardImageTextRecognition::Status::recognized;
    done.text = QStringLiteral("Quarterly report\nRevenue 1,204");
    pending.at(0)->addResult(done);
    pending.at(0)->finish();
    ASSERT_TRUE(test::processEventsUntil([&] { return window->recognizeAgainButton()->isEnabled(); }));
    EXPECT_EQ(window->textView()->toPlainText(), done.text);
    EXPECT_TRUE(window->textView()->isReadOnly());
    EXPECT_TRUE(window->copyButton()->isEnabled());
    saveScreenshot(window, QStringLiteral("ocr-window-en"));

    window->recognizeAgainButton()->click();
    ClipboardImageTextRecognition failed;
    failed.status = ClipboardImageTextRecognition::Status::failed;
    failed.errorDescription = QStringLiteral("Tesseract could not load the language data");
    pending.at(1)->addResult(failed);
    pending.at(1)->finish();
    ASSERT_TRUE(test::processEventsUntil([&] { return window->recognizeAgainButton()->isEnabled(); }));
    EXPECT_EQ(window->statusLabel()->text(),
              QStringLiteral("Text recognition failed: Tesseract could not load the language data"));
    EXPECT_EQ(window->textView()->toPlainText(), done.text);

    setLanguage(QStringLiteral("zh-Hans"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("识别的文字"));
    EXPECT_EQ(window->recognizeAgainButton()->text(), QStringLiteral("重新识别"));
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("文字识别失败：Tesseract could not load the language data"));
    saveScreenshot(window, QStringLiteral("ocr-window-zh"));
    QTest::keyClick(window->textView(), Qt::Key_Escape);
    ASSERT_TRUE(test::processEventsUntil([&] { return window.isNull(); }));
}

} // namespace
} // namespace quellpad
