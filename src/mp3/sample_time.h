// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdint>

namespace mp3 {

// The one place where sample frames and milliseconds meet. Both directions round to nearest, so a position in
// milliseconds survives the trip to frames and back unchanged at any rate of 1 kHz or more.
inline int64_t framesToMilliseconds(int64_t frames, int32_t sampleRate) {
    return std::llround(static_cast<double>(frames) * 1000.0 / sampleRate);
}

inline int64_t millisecondsToFrames(int64_t milliseconds, int32_t sampleRate) {
    return std::llround(static_cast<double>(milliseconds) * sampleRate / 1000.0);
}

} // namespace mp3
