// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <memory>

namespace test_support {

// Puts the process-wide media service on a clock the test moves: every device opened while this exists plays into
// an output that takes sound only inside advance(), so positions are exact. Devices opened before keep their output.
class ManualAudioClock {
public:
    ManualAudioClock();
    ~ManualAudioClock();
    ManualAudioClock(const ManualAudioClock&) = delete;
    ManualAudioClock& operator=(const ManualAudioClock&) = delete;

    // Every playing device takes exactly `duration` of sound before this returns.
    void advance(std::chrono::milliseconds duration);

    struct Outputs;

private:
    std::shared_ptr<Outputs> outputs_;
};

} // namespace test_support
