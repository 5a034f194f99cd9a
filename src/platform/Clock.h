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

} // namespace quellpad
