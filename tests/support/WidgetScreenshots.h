// Pictures of widgets for review, rendered off screen, and the dark palette the widget
// tests switch to. Header-only: only the widget test programs link Qt Widgets.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPalette>
#include <QStyle>
#include <QWidget>

namespace quellpad::test {

inline QPalette darkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(37, 37, 40));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    dark.setColor(QPalette::Text, QColor(232, 232, 232));
    dark.setColor(QPalette::PlaceholderText, QColor(150, 150, 155));
    dark.setColor(QPalette::Button, QColor(50, 50, 54));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(42, 98, 190));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(110, 170, 255));
    dark.setColor(QPalette::Mid, QColor(70, 70, 74));
    return dark;
}

// Switches the application to the dark palette while alive.
class ScopedDarkPalette {
public:
    ScopedDarkPalette() { QApplication::setPalette(darkPalette()); }
    ~ScopedDarkPalette() { QApplication::setPalette(QApplication::style()->standardPalette()); }
    ScopedDarkPalette(const ScopedDarkPalette&) = delete;
    ScopedDarkPalette& operator=(const ScopedDarkPalette&) = delete;
};

// Saves build/screenshots/<name>.png; a run with QT_SCALE_FACTOR=2 adds "-x2".
inline void saveWidgetScreenshot(QWidget& window, const QString& name) {
    QApplication::processEvents();
    QDir().mkpath(QStringLiteral(QUELLPAD_SCREENSHOT_DIR));
    QImage image(window.size() * window.devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(window.devicePixelRatioF());
    image.fill(Qt::transparent);
    window.render(&image);
    const QString suffix =
        window.devicePixelRatioF() > 1 ? QStringLiteral("-x%1").arg(window.devicePixelRatioF()) : QString();
    const QString path = QStringLiteral(QUELLPAD_SCREENSHOT_DIR "/%1%2.png").arg(name, suffix);
    EXPECT_TRUE(image.save(path)) << path.toStdString();
}

} // namespace quellpad::test
