// The About window: the icon, the name and the version with its build number.
#pragma once

#include <QDialog>

namespace quellpad {

class Localizer;

class AboutWindow final : public QDialog {
    Q_OBJECT
public:
    AboutWindow(const Localizer& localizer, const QString& displayName, const QString& version, const QString& build,
                QWidget* parent = nullptr);
};

} // namespace quellpad
