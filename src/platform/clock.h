// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {

// Local time of day in seconds since midnight, with a fractional part.
double secondsSinceMidnight();

// Seconds on a clock that only ever moves forward at a steady rate, from an arbitrary origin; changes of the time
// of day do not move it.
double steadySeconds();

} // namespace platform
