// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/seconds_to_clock.h"

#include <cstdlib>

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

QString exactClockText(int32_t milliseconds) {
    const int64_t magnitude = std::abs(int64_t { milliseconds });
    const auto twoDigits = [](int64_t value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    return QStringLiteral("%1%2:%3:%4.%5")
        .arg(milliseconds < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 3'600'000)
        .arg(twoDigits(magnitude / 60'000 % 60), twoDigits(magnitude / 1000 % 60))
        .arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
}
