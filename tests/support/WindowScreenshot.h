// Screenshots of real windows on the test display (screenshot_window.py), for the
// end-to-end tests that leave pictures of each state they check in the build folder.
#pragma once

#include <QString>

namespace quellpad::test {

// The build folder's screenshots/ (created when missing).
QString screenshotFolder();
// Saves the shown window titled exactly windowTitle as PNG; false when there is none.
bool saveWindowScreenshot(const QString& windowTitle, const QString& path);

} // namespace quellpad::test
