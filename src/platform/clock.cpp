// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clock.h"

#include <QTime>
#include <chrono>

namespace platform {

double secondsSinceMidnight() {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace platform
