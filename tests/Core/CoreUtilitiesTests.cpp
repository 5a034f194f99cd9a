#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "Core/Utilities/Hashing.h"
#include "Core/Utilities/Logger.h"
#include "Core/Utilities/PinyinTransliterator.h"
#include "Core/Utilities/SerialQueue.h"
#include "Core/Utilities/TextUtilities.h"
#include "Core/Utilities/Uuid.h"
#include "support/TestSupport.h"

using namespace quellpad;

TEST(Logger, LineHasDateLevelCategoryAndMessage) {
    const QString line = Logger::formatLine(LogLevel::warning, QStringLiteral("poll failed"), QStringLiteral("ClipboardMonitor"));
    static const QRegularExpression shape(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} \[WARNING\] \[ClipboardMonitor\] poll failed$)"));
    EXPECT_TRUE(shape.match(line).hasMatch()) << line.toStdString();

    EXPECT_TRUE(Logger::formatLine(LogLevel::debug, QStringLiteral("x"), {}).contains(QStringLiteral(" [DEBUG] [Logger] x")));
    EXPECT_STREQ(logLevelText(LogLevel::info), "INFO");
    EXPECT_STREQ(logLevelText(LogLevel::error), "ERROR");
}

TEST(Logger, MessagesAreDataNotFormatsAndDebugIsWritten) {
    test::LogCapture capture;
    Logger::debug(QStringLiteral("100% of %s %@ %n"));
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0].message, QStringLiteral("100% of %s %@ %n"));
    EXPECT_EQ(capture.lines()[0].category, QStringLiteral("Logger"));
    EXPECT_EQ(capture.lines()[0].level, LogLevel::debug);
}

TEST(SerialQueue, RunsWorkInOrderOnOneThread) {
    SerialQueue queue(QStringLiteral("Test.Queue"));
    std::vector<int> order;
    std::set<std::thread::id> threads;
    for (int i = 0; i < 200; ++i) {
        queue.async([&, i] {
            order.push_back(i);
            threads.insert(std::this_thread::get_id());
        });
    }
    queue.sync([] {});
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    }
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
}

TEST(SerialQueue, SyncReturnsValuesPropagatesExceptionsAndNestsWithoutDeadlock) {
    SerialQueue queue(QStringLiteral("Test.Sync"));
    EXPECT_EQ(queue.sync([] { return 42; }), 42);
    EXPECT_THROW(queue.sync([]() -> int { throw std::runtime_error("boom"); }), std::runtime_error);
    // A sync from inside the queue runs inline instead of waiting on itself.
    EXPECT_EQ(queue.sync([&] { return queue.sync([] { return 7; }) + 1; }), 8);
    QFuture<int> future = queue.submit([] { return 5; });
    future.waitForFinished();
    EXPECT_EQ(future.result(), 5);
}

TEST(SerialQueue, DestructionRunsQueuedWork) {
    std::atomic<int> ran{0};
    {
        SerialQueue queue(QStringLiteral("Test.Drain"));
        for (int i = 0; i < 50; ++i) {
            queue.async([&] { ++ran; });
        }
    }
    EXPECT_EQ(ran.load(), 50);
}

TEST(Hashing, Sha256IsLowerCaseHex) {
    EXPECT_EQ(Hashing::sha256Hex(QByteArray()),
              QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
    EXPECT_EQ(Hashing::sha256Hex("abc"), QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

TEST(Uuid, IdentifiersAreUpperCaseHyphenatedAndUnique) {
    const QString a = Uuid::makeString();
    const QString b = Uuid::makeString();
    EXPECT_NE(a, b);
    EXPECT_EQ(a.size(), 36);
    EXPECT_EQ(a, a.toUpper());
    EXPECT_TRUE(Uuid::isWellFormed(a));
    EXPECT_FALSE(Uuid::isWellFormed(QStringLiteral("{") + a + QStringLiteral("}")));
    EXPECT_FALSE(Uuid::isWellFormed(QStringLiteral("not-a-uuid")));
}

struct GraphemeCase {
    const char* label;
    QString text;
    qsizetype count;
};

TEST(TextUtilities, GraphemeClustersCountWhatUsersSee) {
    const std::vector<GraphemeCase> cases{
        {"empty", QString(), 0},
        {"ascii", QStringLiteral("abc"), 3},
        {"combining acute", QStringLiteral("e\u0301e\u0301"), 2},
        {"family emoji ZWJ sequence", QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467"), 1},
        {"flag", QStringLiteral("\U0001F1E8\U0001F1F3"), 1},
        {"skin tone", QStringLiteral("\U0001F44D\U0001F3FD!"), 2},
        {"CJK", QStringLiteral("中文字"), 3},
        {"supplementary Han", QStringLiteral("\U00020000a"), 2},
        {"CRLF is one", QStringLiteral("a\r\nb"), 3},
        {"Hangul jamo", QStringLiteral("\u1100\u1161\u11A8"), 1},
    };
    for (const GraphemeCase& c : cases) {
        EXPECT_EQ(TextUtilities::graphemeCount(c.text), c.count) << c.label;
    }
}

TEST(TextUtilities, PrefixNeverSplitsAClusterAndReportsTruncation) {
    const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
    bool truncated = false;
    EXPECT_EQ(TextUtilities::graphemePrefix(family + family + QStringLiteral("x"), 2, &truncated), family + family);
    EXPECT_TRUE(truncated);
    EXPECT_EQ(TextUtilities::graphemePrefix(QStringLiteral("ab"), 2, &truncated), QStringLiteral("ab"));
    EXPECT_FALSE(truncated);
    // Long in UTF-16 units but only two clusters: nothing is cut.
    EXPECT_EQ(TextUtilities::graphemePrefix(family + family, 2, &truncated), family + family);
    EXPECT_FALSE(truncated);
    EXPECT_EQ(TextUtilities::graphemePrefix(QStringLiteral("e\u0301x"), 1), QStringLiteral("e\u0301"));
}

TEST(TextUtilities, StrictUtf8AndWhitespaceTrim) {
    EXPECT_EQ(TextUtilities::decodeUtf8(QByteArray("h\xc3\xa9llo")), QStringLiteral("héllo"));
    EXPECT_FALSE(TextUtilities::decodeUtf8(QByteArray("\xff\xfe")).has_value());
    EXPECT_FALSE(TextUtilities::decodeUtf8(QByteArray("abc\xe4\xb8")).has_value()); // truncated sequence
    EXPECT_FALSE(TextUtilities::decodeUtf8(QByteArray("\xed\xa0\x80")).has_value()); // encoded surrogate
    EXPECT_EQ(TextUtilities::decodeUtf8(QByteArray("a\0b", 3))->size(), 3);
    EXPECT_EQ(TextUtilities::trimmedWhitespace(QStringLiteral("\u3000\t a b\n\u2029")), QStringLiteral("a b"));
}

TEST(PinyinTransliterator, RomanisesHanCharactersOneAtATime) {
    EXPECT_EQ(PinyinTransliterator::syllable(QStringLiteral("中")), QStringLiteral("zhong"));
    EXPECT_EQ(PinyinTransliterator::syllable(QStringLiteral("文")), QStringLiteral("wen"));
    EXPECT_EQ(PinyinTransliterator::syllable(QStringLiteral("绿")), QStringLiteral("lu")); // ü loses its diaeresis
    EXPECT_EQ(PinyinTransliterator::syllable(QStringLiteral("a")), QString());
    EXPECT_EQ(PinyinTransliterator::syllable(QStringLiteral("あ")), QString());
    EXPECT_TRUE(PinyinTransliterator::isHanScalar(0x4E00));
    EXPECT_TRUE(PinyinTransliterator::isHanScalar(0x2B73F));
    EXPECT_FALSE(PinyinTransliterator::isHanScalar(0x2B740));
    EXPECT_FALSE(PinyinTransliterator::isHanScalar(0xF900)); // compatibility ideographs are outside the ranges
}
