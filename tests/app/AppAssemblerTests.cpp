#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "Core/Utilities/NotificationCenter.h"
#include "app/AppAssembler.h"
#include "capture/ClipboardMonitor.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/DataDirectoryManager.h"
#include "platform/QtImageCodec.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualClock.h"
#include "platform/fake/ManualTimerScheduler.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "support/TestSupport.h"

using namespace quellpad;

namespace {

const QString category = QStringLiteral("AppAssembler");

template <typename T>
T await(QFuture<T> future) {
    future.waitForFinished();
    return future.result();
}

} // namespace

class AppAssemblerTest : public ::testing::Test {
protected:
    QTemporaryDir directory;
    InMemoryDefaultsStore defaults;
    NotificationCenter notifications;
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    QtImageCodec codec;
    ManualTimerScheduler timers;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    QString storage = directory.path() + QStringLiteral("/data");
    std::unique_ptr<DataDirectoryManager> dataDirectory;

    void SetUp() override {
        pasteboard.setEmitsChanges(false);
        DataDirectoryManager::Environment environment;
        environment.variable = [this](const QString& name) {
            return name == DataDirectoryManager::storageDirectoryOverrideEnvironmentKey ? storage : QString();
        };
        dataDirectory = std::make_unique<DataDirectoryManager>(defaults, environment);
    }

    std::unique_ptr<AppAssembler> makeAssembler() {
        return std::make_unique<AppAssembler>(defaults, notifications, *dataDirectory,
                                              AppPlatformServices{pasteboard, workspace, codec, timers, clock, {}},
                                              DistributionChannel::direct);
    }

    // Copies text and lets the monitor poll once.
    void copyAndPoll(AppAssembler& assembler, const QString& text) {
        pasteboard.setText(text);
        assembler.activeClipboardMonitor()->checkForChanges();
    }
};

TEST_F(AppAssemblerTest, BuildsWorkingCaptureAndSearch) {
    auto assembler = makeAssembler();
    ASSERT_TRUE(assembler->activeClipboardMonitor());
    EXPECT_TRUE(assembler->activeClipboardMonitor()->isMonitoring());
    EXPECT_TRUE(assembler->hasSearchIndex());
    copyAndPoll(*assembler, QStringLiteral("captured through the assembled services"));
    std::static_pointer_cast<ClipboardHistoryRepository>(assembler->clipboardHistoryRepository())->waitForIndexSync();
    const ClipboardSearchPage page = await(assembler->clipboardSearchService()->search(QStringLiteral("assembled"), 0, 10));
    ASSERT_EQ(page.items.size(), 1u);
    EXPECT_FALSE(assembler->notCapturingReason());
    EXPECT_EQ(await(assembler->clipboardHistoryManager()->getHistorySnapshots(QString(), std::nullopt)).size(), 1u);

    // Writing through the manager is not captured back.
    assembler->clipboardHistoryManager()->performWithoutCapture([&] { pasteboard.setText(QStringLiteral("written by us")); });
    assembler->activeClipboardMonitor()->checkForChanges();
    EXPECT_EQ(await(assembler->clipboardHistoryManager()->getHistorySnapshots(QString(), std::nullopt)).size(), 1u);

    // A clipboard lost for good (the compositor went away) is a reason given, the history kept.
    pasteboard.setConnected(false);
    ASSERT_TRUE(assembler->notCapturingReason());
    EXPECT_TRUE(assembler->notCapturingReason()->contains(QLatin1String("lost")));
    EXPECT_EQ(await(assembler->clipboardHistoryManager()->getHistorySnapshots(QString(), std::nullopt)).size(), 1u);
}

TEST_F(AppAssemblerTest, AnIndexThatCannotOpenGivesCaptureWithoutSearch) {
    QDir().mkpath(storage);
    ASSERT_TRUE(QDir().mkpath(storage + QStringLiteral("/clipboard_search.sqlite"))); // a folder where the file should be
    test::LogCapture logs;
    auto assembler = makeAssembler();
    EXPECT_TRUE(logs.contains(LogLevel::error, category,
                              QStringLiteral("Failed to initialize clipboard search index store, search index sync disabled")));
    EXPECT_FALSE(assembler->hasSearchIndex());
    copyAndPoll(*assembler, QStringLiteral("still captured"));
    EXPECT_EQ(await(assembler->clipboardHistoryManager()->getHistorySnapshots(QStringLiteral("captured"), std::nullopt)).size(), 1u);
    try {
        await(assembler->clipboardSearchService()->search(QStringLiteral("captured"), 0, 10));
        FAIL() << "the Empty search service must refuse";
    } catch (const ClipboardSearchServiceError& error) {
        EXPECT_EQ(error.description(), QStringLiteral("Clipboard search service is unavailable."));
    }
    EXPECT_EQ(await(assembler->clipboardSearchService()->indexStats()).documentCount, 0);
}

TEST_F(AppAssemblerTest, AStoreThatCannotOpenGivesTheEmptyServices) {
    QDir().mkpath(storage);
    ASSERT_TRUE(test::writeFile(storage + QStringLiteral("/clipboard_history.sqlite"), QByteArray(4096, 'x')));
    test::LogCapture logs;
    auto assembler = makeAssembler();
    EXPECT_TRUE(logs.contains(LogLevel::error, category, QStringLiteral("Failed to initialize clipboard services: ")));
    EXPECT_FALSE(assembler->activeClipboardMonitor());
    EXPECT_FALSE(assembler->clipboardMonitor()->isTemporarilyPaused());
    pasteboard.setText(QStringLiteral("nowhere to go"));
    EXPECT_TRUE(await(assembler->clipboardHistoryManager()->getHistorySnapshots(QString(), std::nullopt)).empty());
    EXPECT_EQ(test::readFile(storage + QStringLiteral("/clipboard_history.sqlite")), QByteArray(4096, 'x'));
    // `quellpad status` must not claim to be recording.
    const std::optional<QString> reason = assembler->notCapturingReason();
    ASSERT_TRUE(reason);
    EXPECT_TRUE(reason->startsWith(QStringLiteral("The clipboard history could not be opened: "))) << reason->toStdString();
}

TEST_F(AppAssemblerTest, RebuildFollowsTheDataDirectory) {
    auto assembler = makeAssembler();
    copyAndPoll(*assembler, QStringLiteral("in the first folder"));
    storage = directory.path() + QStringLiteral("/moved");
    assembler->rebuildClipboardServices();
    EXPECT_TRUE(assembler->activeClipboardMonitor()->isMonitoring());
    EXPECT_TRUE(await(assembler->clipboardHistoryManager()->getHistorySnapshots(QString(), std::nullopt)).empty());
    copyAndPoll(*assembler, QStringLiteral("in the second folder"));
    EXPECT_EQ(await(assembler->clipboardHistoryManager()->getHistorySnapshots(QString(), std::nullopt)).size(), 1u);
    EXPECT_TRUE(QFile::exists(storage + QStringLiteral("/clipboard_history.sqlite")));

    assembler->resetClipboardServicesToEmpty();
    EXPECT_FALSE(assembler->activeClipboardMonitor());
    EXPECT_TRUE(await(assembler->clipboardHistoryManager()->getHistorySnapshots(QString(), std::nullopt)).empty());
}

TEST_F(AppAssemblerTest, ReleasedStorageIsCompleteOnDiskSoAMovedCopyKeepsEveryItem) {
    auto assembler = makeAssembler();
    copyAndPoll(*assembler, QStringLiteral("kept across the move"));
    // What the settings do before copying the folder: nothing may wait in a write-ahead log.
    assembler->resetClipboardServicesToEmpty();
    const QString moved = directory.path() + QStringLiteral("/moved");
    ASSERT_TRUE(QDir().mkpath(moved));
    ASSERT_TRUE(QFile::copy(storage + QStringLiteral("/clipboard_history.sqlite"),
                            moved + QStringLiteral("/clipboard_history.sqlite")));
    storage = moved;
    assembler->rebuildClipboardServices();
    const auto items = await(assembler->clipboardHistoryManager()->getHistorySnapshots(QString(), std::nullopt));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].preview, QStringLiteral("kept across the move"));
}

TEST_F(AppAssemblerTest, ClearingEmptiesTheHistoryOrSaysWhyItCannot) {
    auto assembler = makeAssembler();
    copyAndPoll(*assembler, QStringLiteral("to be cleared"));
    EXPECT_EQ(assembler->clearAllHistory(), std::nullopt);
    EXPECT_TRUE(await(assembler->clipboardHistoryManager()->getHistorySnapshots(QString(), std::nullopt)).empty());

    assembler.reset();
    ASSERT_TRUE(QFile::remove(storage + QStringLiteral("/clipboard_history.sqlite")));
    ASSERT_TRUE(test::writeFile(storage + QStringLiteral("/clipboard_history.sqlite"), QByteArray(4096, 'x')));
    assembler = makeAssembler();
    const std::optional<QString> error = assembler->clearAllHistory();
    ASSERT_TRUE(error) << "the Empty history must not pass for a cleared one";
    EXPECT_TRUE(error->startsWith(QStringLiteral("The clipboard history could not be opened: "))) << error->toStdString();
}

TEST_F(AppAssemblerTest, ADamagedIndexIsSetAsideAndRebuiltFromTheHistoryWhichStaysAsItWas) {
    auto assembler = makeAssembler();
    for (const char* text : {"alpha notes", "beta notes", "gamma notes"}) {
        copyAndPoll(*assembler, QString::fromLatin1(text));
        clock->advance(5.0);
    }
    std::static_pointer_cast<ClipboardHistoryRepository>(assembler->clipboardHistoryRepository())->waitForIndexSync();
    const auto before = await(assembler->clipboardHistoryManager()->getHistorySnapshots(QString(), std::nullopt));
    assembler.reset();
    const QString index = storage + QStringLiteral("/clipboard_search.sqlite");
    ASSERT_TRUE(test::writeFile(index, QByteArray(16384, '\x13')));

    test::LogCapture logs;
    assembler = makeAssembler();
    EXPECT_TRUE(assembler->hasSearchIndex());
    // Unavailable (the panel then searches the history) until the rebuild is in.
    auto found = [&] {
        try {
            return await(assembler->clipboardSearchService()->search(QStringLiteral("notes"), 0, 10)).items.size() == 3;
        } catch (const ClipboardSearchServiceError&) {
            return false;
        }
    };
    ASSERT_TRUE(test::processEventsUntil(found, 20'000));
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("SQLiteSearch"),
                              QStringLiteral("Clipboard search index is damaged (")));
    const QStringList aside = QDir(storage).entryList({QStringLiteral("clipboard_search.sqlite.corrupt-*")}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(test::readFile(storage + QLatin1Char('/') + aside[0]), QByteArray(16384, '\x13'));
    EXPECT_EQ(await(assembler->clipboardHistoryManager()->getHistorySnapshots(QString(), std::nullopt)), before);
}
