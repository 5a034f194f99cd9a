// Checks every pasteboard backend must pass, shared by the X11 and Wayland suites.
#pragma once

#include <functional>

#include <gtest/gtest.h>

#include <QByteArrayList>

#include "platform/Pasteboard.h"
#include "support/TestSupport.h"

namespace quellpad::test {

// `quellpad status` watches the counter while the monitor may still have copies queued;
// watching must not drop them (changeCount() does: it moves reads to the newest content).
inline void expectWatchingTheCounterKeepsQueuedCopies(Pasteboard& pasteboard,
                                                      const std::function<bool(const QByteArray&)>& copy) {
    const qint64 before = pasteboard.changeCount();
    qint64 seen = before;
    for (const QByteArray& text : {QByteArray("queued first"), QByteArray("queued second")}) {
        ASSERT_TRUE(copy(text));
        ASSERT_TRUE(processEventsUntil([&] { return pasteboard.latestChangeCount() > seen; }));
        seen = pasteboard.latestChangeCount();
    }
    QByteArrayList taken;
    qint64 after = before;
    while (const std::optional<qint64> next = pasteboard.takeNextChange(after)) {
        after = *next;
        taken.append(pasteboard.dataForType(PasteboardTypes::plainText, 1 << 20).value_or(PasteboardData{}).bytes);
    }
    EXPECT_EQ(taken, (QByteArrayList{"queued first", "queued second"}));
    EXPECT_EQ(after, seen);
}

} // namespace quellpad::test
