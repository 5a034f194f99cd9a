#include "app/widgets/AboutWindow.h"

#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "localization/Localizer.h"

namespace quellpad {

AboutWindow::AboutWindow(const Localizer& localizer, const QString& displayName, const QString& version,
                         const QString& build, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(localizer.text(TextKey::aboutWindowTitle, {displayName}));
    setAccessibleName(windowTitle());
    setFixedSize(300, 200);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/quellpad/icons/quellpad.svg")).pixmap(QSize(64, 64), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    icon->setAccessibleName(displayName);
    auto* name = new QLabel(displayName, this);
    QFont headline = name->font();
    headline.setPointSizeF(headline.pointSizeF() * 1.4);
    headline.setBold(true);
    name->setFont(headline);
    name->setAlignment(Qt::AlignCenter);
    name->setAccessibleName(displayName);
    auto* versionLabel = new QLabel(localizer.text(TextKey::aboutVersion, {version, build}), this);
    QFont footnote = versionLabel->font();
    footnote.setPointSizeF(footnote.pointSizeF() * 0.9);
    versionLabel->setFont(footnote);
    versionLabel->setAlignment(Qt::AlignCenter);
    versionLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    versionLabel->setAccessibleName(versionLabel->text());
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(localizer.text(TextKey::aboutClose), QDialogButtonBox::AcceptRole);
    close->setAccessibleName(close->text());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(versionLabel);
    layout->addStretch();
    layout->addWidget(buttons);
}

} // namespace quellpad
