// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

// Clock text of a count of seconds: hours, minutes and seconds, each a blank (or "-" when negative) followed by
// its digits, joined by " :". 0 gives " 0 : 0 : 0", -3723 gives "-1 :-2 :-3". Counts beyond 16 bits keep the same
// rule, so positions past 9 h 6 min 7 s still show (32768 gives " 9 : 6 : 8").
QString SecondsToClock(int32_t seconds);

// The time to the millisecond, as the tooltips show it: hours, then minutes and seconds in two digits each and
// milliseconds in three. 83456 gives "0:01:23.456"; a negative time has a "-" in front.
QString exactClockText(int32_t milliseconds);
