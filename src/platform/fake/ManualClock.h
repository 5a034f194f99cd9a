// A clock that moves only when the test says so.
#pragma once


#include "platform/Clock.h"

namespace quellpad {

class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2024, 3, 1), QTime(12, 0), Qt::UTC))
        : now_(std::move(start)) {}

    QDateTime now() const override { return now_; }
    void set(const QDateTime& now) { now_ = now; }
    void advance(double seconds) { now_ = now_.addMSecs(static_cast<qint64>(seconds * 1000.0)); }

private:
    QDateTime now_;
};

} // namespace quellpad
