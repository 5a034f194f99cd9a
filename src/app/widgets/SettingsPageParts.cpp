#include "app/widgets/SettingsPageParts.h"

#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quellpad::SettingsPageParts {

QLabel* addSectionTitle(QVBoxLayout* layout, QWidget* parent) {
    auto* title = new QLabel(parent);
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    if (layout->count() > 0) layout->addSpacing(12);
    layout->addWidget(title);
    return title;
}

QLabel* addDescription(QVBoxLayout* layout, QWidget* parent) {
    auto* description = new QLabel(parent);
    description->setWordWrap(true);
    // A role rather than a colour, so the text follows a later change of palette (dark mode).
    description->setForegroundRole(QPalette::PlaceholderText);
    QFont font = description->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    description->setFont(font);
    layout->addWidget(description);
    return description;
}

QLabel* addNotice(QVBoxLayout* layout, QWidget* parent) {
    auto* notice = new QLabel(parent);
    notice->setWordWrap(true);
    notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette palette = notice->palette();
    palette.setColor(QPalette::WindowText, QColor(0xc2, 0x5b, 0x00));
    notice->setPalette(palette);
    notice->hide();
    layout->addWidget(notice);
    return notice;
}

void setNotice(QLabel* notice, const QString& text) {
    notice->setText(text);
    notice->setAccessibleName(text);
    notice->setVisible(!text.isEmpty());
}

void bindCheckBox(QCheckBox* box, const QString& text, bool checked) {
    const QSignalBlocker blocker(box);
    box->setText(text);
    box->setAccessibleName(text);
    box->setChecked(checked);
}

} // namespace quellpad::SettingsPageParts
