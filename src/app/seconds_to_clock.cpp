#include "app/seconds_to_clock.h"

namespace {

QString clockField(int32_t value) {
    return (value < 0 ? QStringLiteral("-") : QStringLiteral(" "))
        + QString::number(value < 0 ? -int64_t { value } : value);
}

} // namespace

QString SecondsToClock(int32_t seconds) {
    const int32_t hours = seconds / 3600;
    const int32_t rest = seconds - hours * 3600;
    const int32_t minutes = rest / 60;
    const int32_t secs = rest - minutes * 60;
    return clockField(hours) + QStringLiteral(" :") + clockField(minutes) + QStringLiteral(" :") + clockField(secs);
}
