#pragma once

namespace platform {

// Local time of day in seconds since midnight, with a fractional part.
double secondsSinceMidnight();

} // namespace platform
