#include "support/WindowScreenshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace quellpad::test {

QString screenshotFolder() {
    // Test executables live in build/tests/.
    const QString folder = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots"));
    QDir().mkpath(folder);
    return folder;
}

bool saveWindowScreenshot(const QString& windowTitle, const QString& path) {
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                             : QStringLiteral("python3");
    QProcess shot;
    shot.start(python, {QStringLiteral(QUELLPAD_TEST_SUPPORT_DIR "/screenshot_window.py"), windowTitle, path});
    return shot.waitForFinished(15000) && shot.exitStatus() == QProcess::NormalExit && shot.exitCode() == 0;
}

} // namespace quellpad::test
