// The pieces every settings page is made of, so that the pages look alike.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QString>

class QVBoxLayout;

namespace quellpad::SettingsPageParts {

// A bold heading over a group of controls.
QLabel* addSectionTitle(QVBoxLayout* layout, QWidget* parent);
// A grey, wrapped explanation under a control.
QLabel* addDescription(QVBoxLayout* layout, QWidget* parent);
// A wrapped warning beside a control, hidden while it has nothing to say.
QLabel* addNotice(QVBoxLayout* layout, QWidget* parent);
// Shows or hides a notice label for its text.
void setNotice(QLabel* notice, const QString& text);
// Sets a check box's text and accessible name, and its state without echoing a change.
void bindCheckBox(QCheckBox* box, const QString& text, bool checked);

} // namespace quellpad::SettingsPageParts
