#include "app/widgets/OnboardingWindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/OnboardingViewModel.h"
#include "app/ShortcutSettings.h"
#include "app/widgets/SettingsPageParts.h"
#include "hotkey/widgets/KeyComboRecorderControl.h"
#include "localization/Localizer.h"

namespace quellpad {

using namespace SettingsPageParts;

namespace {

QLabel* addTitle(QVBoxLayout* layout, QWidget* parent) {
    auto* title = new QLabel(parent);
    QFont font = title->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    title->setFont(font);
    title->setWordWrap(true);
    layout->addWidget(title);
    return title;
}

QLabel* addBody(QVBoxLayout* layout, QWidget* parent) {
    auto* body = new QLabel(parent);
    body->setWordWrap(true);
    body->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(body);
    return body;
}

// Labels carry their text as their accessible name, so a screen reader reads the page.
void setText(QLabel* label, const QString& text) {
    label->setText(text);
    label->setAccessibleName(text);
}

} // namespace

OnboardingWindow::OnboardingWindow(OnboardingViewModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setWindowFlag(Qt::Window);
    setObjectName(QStringLiteral("onboardingWindow"));
    resize(520, 340);
    auto* layout = new QVBoxLayout(this);
    step_ = new QLabel(this);
    layout->addWidget(step_);
    stack_ = new QStackedWidget(this);
    layout->addWidget(stack_, 1);

    auto* shortcutPage = new QWidget(stack_);
    auto* shortcutLayout = new QVBoxLayout(shortcutPage);
    shortcutTitle_ = addTitle(shortcutLayout, shortcutPage);
    shortcutBody_ = addBody(shortcutLayout, shortcutPage);
    auto* hotkeyRow = new QHBoxLayout;
    hotkeyLabel_ = new QLabel(shortcutPage);
    recorder_ = new KeyComboRecorderControl(model_.shortcut().recorder(), model_.localizer(), shortcutPage);
    hotkeyRow->addWidget(hotkeyLabel_);
    hotkeyRow->addWidget(recorder_);
    hotkeyRow->addStretch();
    shortcutLayout->addLayout(hotkeyRow);
    hotkeyError_ = addNotice(shortcutLayout, shortcutPage);
    shortcutLayout->addStretch();

    auto* accessibilityPage = new QWidget(stack_);
    auto* accessibilityLayout = new QVBoxLayout(accessibilityPage);
    accessibilityTitle_ = addTitle(accessibilityLayout, accessibilityPage);
    accessibilityBody_ = addBody(accessibilityLayout, accessibilityPage);
    requestAccessibility_ = new QPushButton(accessibilityPage);
    accessibilityLayout->addWidget(requestAccessibility_, 0, Qt::AlignLeft);
    accessibilityLayout->addStretch();

    auto* trayPage = new QWidget(stack_);
    auto* trayLayout = new QVBoxLayout(trayPage);
    trayTitle_ = addTitle(trayLayout, trayPage);
    trayBody_ = addBody(trayLayout, trayPage);
    trayLayout->addStretch();

    auto* donePage = new QWidget(stack_);
    auto* doneLayout = new QVBoxLayout(donePage);
    doneTitle_ = addTitle(doneLayout, donePage);
    doneBody_ = addBody(doneLayout, donePage);
    auto* presentationRow = new QHBoxLayout;
    presentationTitle_ = new QLabel(donePage);
    presentation_ = new QComboBox(donePage);
    presentation_->addItems({QString(), QString()});
    presentationTitle_->setBuddy(presentation_);
    presentationRow->addWidget(presentationTitle_);
    presentationRow->addWidget(presentation_);
    presentationRow->addStretch();
    doneLayout->addLayout(presentationRow);
    presentationTitle_->setVisible(model_.offersPresentationChoice());
    presentation_->setVisible(model_.offersPresentationChoice());
    doneLayout->addStretch();

    // In the order of OnboardingViewModel::Page.
    for (QWidget* page : {shortcutPage, accessibilityPage, trayPage, donePage}) stack_->addWidget(page);

    auto* buttons = new QHBoxLayout;
    back_ = new QPushButton(this);
    next_ = new QPushButton(this);
    next_->setDefault(true);
    buttons->addWidget(back_);
    buttons->addStretch();
    buttons->addWidget(next_);
    layout->addLayout(buttons);

    connect(back_, &QPushButton::clicked, &model_, &OnboardingViewModel::back);
    connect(next_, &QPushButton::clicked, this, [this] {
        if (model_.isLastPage()) {
            model_.finish();
        } else {
            model_.next();
        }
    });
    connect(requestAccessibility_, &QPushButton::clicked, &model_, &OnboardingViewModel::requestAccessibility);
    connect(presentation_, &QComboBox::currentIndexChanged, this, [this](int index) {
        model_.setPresentationMode(index == 1 ? DirectClipboardPresentationMode::floating
                                              : DirectClipboardPresentationMode::centered);
    });
    connect(&model_, &OnboardingViewModel::changed, this, &OnboardingWindow::refresh);
    refresh();
}

void OnboardingWindow::present() {
    if (!isVisible()) model_.restart();
    show();
    raise();
    activateWindow();
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event) {
    // Closing is not finishing: the guide comes back at the next launch.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OnboardingWindow::refresh() {
    const Localizer& text = model_.localizer();
    setWindowTitle(text.text(TextKey::onboardingWindowTitle));
    setAccessibleName(windowTitle());
    setText(step_, text.text(TextKey::onboardingStep, {QString::number(model_.currentIndex() + 1),
                                                       QString::number(model_.pages().size())}));
    stack_->setCurrentIndex(static_cast<int>(model_.currentPage()));

    setText(shortcutTitle_, text.text(TextKey::onboardingShortcutTitle));
    setText(shortcutBody_, text.text(TextKey::onboardingShortcutBody));
    setText(hotkeyLabel_, text.text(TextKey::settingsClipboardHistoryHotkey));
    recorder_->setAccessibleLabel(text.text(TextKey::settingsClipboardHistoryHotkey));
    setNotice(hotkeyError_, model_.shortcut().error());

    setText(accessibilityTitle_, text.text(TextKey::onboardingAccessibilityTitle));
    setText(accessibilityBody_, model_.accessibilityText());
    requestAccessibility_->setText(text.text(TextKey::onboardingAccessibilityRequest));
    requestAccessibility_->setAccessibleName(requestAccessibility_->text());
    requestAccessibility_->setVisible(model_.canRequestAccessibility());

    setText(trayTitle_, text.text(TextKey::onboardingTrayTitle));
    setText(trayBody_, text.text(TextKey::onboardingTrayBody));

    setText(doneTitle_, text.text(TextKey::onboardingDoneTitle));
    setText(doneBody_, model_.openHint());
    setText(presentationTitle_, text.text(TextKey::settingsPresentationMode));
    {
        const QSignalBlocker blocker(presentation_);
        presentation_->setItemText(0, text.text(TextKey::presentationStandardPanel));
        presentation_->setItemText(1, text.text(TextKey::presentationFloatingPanel));
        presentation_->setCurrentIndex(model_.presentationMode() == DirectClipboardPresentationMode::floating ? 1 : 0);
    }
    presentation_->setAccessibleName(text.text(TextKey::settingsPresentationMode));

    back_->setText(text.text(TextKey::onboardingBack));
    back_->setAccessibleName(back_->text());
    back_->setEnabled(model_.currentIndex() > 0);
    next_->setText(text.text(model_.isLastPage() ? TextKey::onboardingFinish : TextKey::onboardingContinue));
    next_->setAccessibleName(next_->text());
    recorder_->refresh();
}

} // namespace quellpad
