// `quellpad ocr` and `quellpad add --image` through the real binary in an isolated
// home, and the app under X: a copied screenshot becomes findable by a word it shows.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "settings/AppPreferences.h"
#include "support/OcrTestImages.h"
#include "platform/linux/JsonFileDefaultsStore.h"
#include "platform/linux/TesseractTextRecognitionEngine.h"
#include "support/TestSupport.h"
#include "support/X11TestSupport.h"

namespace quellpad {
namespace {

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

class OcrCommandTest : public ::testing::Test {
protected:
    QTemporaryDir home;

    void SetUp() override {
        if (TesseractTextRecognitionEngine().installedLanguages().isEmpty()) {
            GTEST_SKIP() << "no Tesseract language data installed";
        }
        QDir().mkpath(home.filePath(QStringLiteral("run")));
        QFile::setPermissions(home.filePath(QStringLiteral("run")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data-home")));
        env.insert(QStringLiteral("XDG_DATA_DIRS"), home.filePath(QStringLiteral("system")));
        env.insert(QStringLiteral("QUELLPAD_STORAGE_DIRECTORY"), home.filePath(QStringLiteral("data")));
        env.remove(QStringLiteral("QUELLPAD_VERBOSE"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return env;
    }

    CliResult run(const QStringList& arguments, const QByteArray& input = {}) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(QUELLPAD_CLI_PATH), arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(120000);
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }

    QString write(const QString& name, const QByteArray& bytes) const {
        const QString path = home.filePath(name);
        test::writeFile(path, bytes);
        return path;
    }

    QStringList foundIds(const QString& query) const {
        QStringList ids;
        for (const QByteArray& line : run({QStringLiteral("search"), query, QStringLiteral("--json")}).out.split('\n')) {
            if (!line.isEmpty()) ids.append(QJsonDocument::fromJson(line).object().value(QStringLiteral("id")).toString());
        }
        return ids;
    }
};

TEST_F(OcrCommandTest, PrintsTheRecognisedTextPlainOrAsJson) {
    const QString file = write(QStringLiteral("shot.png"),
                               test::encoded(test::renderedText({QStringLiteral("Build failed with exit code 2"),
                                                                 QStringLiteral("See the log for details")})));
    CliResult result = run({QStringLiteral("ocr"), file});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList lines = QString::fromUtf8(result.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << result.out.toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("exit code"))) << result.out.toStdString();
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();

    result = run({QStringLiteral("ocr"), QStringLiteral("--json")}, test::encoded(test::renderedText({QStringLiteral("Standard input works too")})));
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject object = QJsonDocument::fromJson(result.out).object();
    EXPECT_TRUE(object.value(QStringLiteral("text")).toString().contains(QStringLiteral("input works"))) << result.out.toStdString();
    EXPECT_EQ(object.value(QStringLiteral("lines")).toArray().size(), 1);
    EXPECT_EQ(object.value(QStringLiteral("languageMode")).toString(), QStringLiteral("specified"));
    EXPECT_EQ(object.value(QStringLiteral("specifiedLanguage")).toString(), QStringLiteral("en-US"));
    EXPECT_EQ(object.value(QStringLiteral("recognitionLanguages")).toArray(), QJsonArray{QStringLiteral("eng")});
    EXPECT_EQ(object.value(QStringLiteral("width")).toInt(), 1200);
    EXPECT_EQ(object.value(QStringLiteral("height")).toInt(), 400);
}

TEST_F(OcrCommandTest, NonImagesMissingFilesAndBadArgumentsFail) {
    const QString notImage = write(QStringLiteral("notes.png"), "just some text");
    CliResult result = run({QStringLiteral("ocr"), notImage});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("The input is not an image that can be decoded.")) << result.err.toStdString();
    EXPECT_TRUE(result.out.isEmpty());
    result = run({QStringLiteral("ocr"), home.filePath(QStringLiteral("absent.png"))});
    EXPECT_EQ(result.exitCode, 1);
    result = run({QStringLiteral("ocr"), notImage, notImage});
    EXPECT_EQ(result.exitCode, 2);
    result = run({QStringLiteral("ocr"), QStringLiteral("--bogus")});
    EXPECT_EQ(result.exitCode, 2);
}

TEST_F(OcrCommandTest, AnAddedImageIsFoundByAWordItShows) {
    const QString file = write(QStringLiteral("error.png"),
                               test::encoded(test::renderedText({QStringLiteral("Segmentation fault in renderer"),
                                                                 QStringLiteral("core dumped")})));
    const CliResult added = run({QStringLiteral("add"), QStringLiteral("--image"), file});
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    const QString id = QString::fromUtf8(added.out).trimmed();
    EXPECT_EQ(foundIds(QStringLiteral("segmentation")), QStringList{id});
    EXPECT_EQ(foundIds(QStringLiteral("renderer")), QStringList{id});

    // With recognition switched off an image is stored without its text.
    {
        JsonFileDefaultsStore defaults(home.filePath(QStringLiteral("config/Quellpad/settings.json")));
        AppPreferences(defaults).setImageOCREnabled(false);
    }
    const QString other = write(QStringLiteral("other.png"), test::encoded(test::renderedText({QStringLiteral("Kernel panic detected")})));
    ASSERT_EQ(run({QStringLiteral("add"), QStringLiteral("--image"), other}).exitCode, 0);
    EXPECT_TRUE(foundIds(QStringLiteral("panic")).isEmpty());
}

TEST_F(OcrCommandTest, ACopiedScreenshotBecomesFindableUnderX11) {
    QUELLPAD_REQUIRE_X11();
    test::DisplayLock lock;
    // The first-run guide would be the active window, and copies made over the app's own
    // windows are not recorded.
    ASSERT_EQ(run({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("DidCompleteOnboarding"),
                   QStringLiteral("true")})
                  .exitCode,
              0);
    QProcess app;
    app.setProcessEnvironment(environment());
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(QStringLiteral(QUELLPAD_CLI_PATH), QStringList{});
    ASSERT_TRUE(app.waitForStarted(5000));
    QByteArray output;
    QDeadlineTimer started(15000);
    while (!output.contains("Single instance check passed") && !started.hasExpired()) {
        app.waitForReadyRead(100);
        output += app.readAll();
    }
    ASSERT_TRUE(output.contains("Single instance check passed")) << output.toStdString();
    // Ready (the monitor has its baseline) once it answers on its command socket.
    QDeadlineTimer ready(15000);
    while (run({QStringLiteral("status")}).exitCode != 0 && !ready.hasExpired()) {
        QThread::msleep(50); // the poll interval
    }

    const QByteArray png = test::encoded(test::renderedText({QStringLiteral("Permission denied while opening config")}));
    ASSERT_TRUE(test::xclipCopy(png, QStringLiteral("image/png")));
    QDeadlineTimer found(20000);
    QStringList ids;
    while (ids.isEmpty() && !found.hasExpired()) {
        QThread::msleep(50); // the poll interval
        ids = foundIds(QStringLiteral("permission"));
    }
    app.terminate();
    app.waitForFinished(10000);
    EXPECT_EQ(ids.size(), 1) << (output + app.readAll()).toStdString();
}

} // namespace
} // namespace quellpad
