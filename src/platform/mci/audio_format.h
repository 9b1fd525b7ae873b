// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace mci {

// Decoded sound as the device hands it to an output: interleaved signed 16-bit samples.
struct AudioFormat {
    int32_t sampleRate = 0;
    int32_t channels = 0;
};

} // namespace mci
