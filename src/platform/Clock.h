// The current time, injectable so that time-dependent rules are tested without sleeping.
#pragma once

#include <QDateTime>

namespace quellpad {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
};

// Reports a chosen time while one is set, else the system time (imports that carry
// their own capture times).
class SettableClock final : public Clock {
public:
    QDateTime now() const override { return fixed_.isValid() ? fixed_ : QDateTime::currentDateTimeUtc(); }
    // An invalid date returns to the system time.
    void set(const QDateTime& time) { fixed_ = time; }

private:
    QDateTime fixed_;
};

} // namespace quellpad
