// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/mci/audio_output.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace mci {

// Plays silently where no sound device can be opened: a thread of its own pulls the sound at the pace of the
// monotonic clock, so positions still advance in real time. It wakes seldom and pulls a step ahead each time, as a
// sound device would; what it has pulled counts as heard at the pace of the clock, so positions move smoothly.
class ClockPacedOutput final : public AudioOutput {
public:
    ClockPacedOutput(AudioFormat format, PcmSource& source);
    ~ClockPacedOutput() override;

    void start() override;
    void halt() override;
    int64_t bufferedFrames() const override;

private:
    void run(std::stop_token stop);

    const AudioFormat format_;
    PcmSource& source_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    bool running_ = false;
    std::chrono::steady_clock::time_point runningSince_;
    int64_t framesPulled_ = 0;
    // When all that was pulled will have been heard, read without the lock by the device asking for its position.
    std::atomic<std::chrono::steady_clock::time_point> pulledHeardAt_ {};
    std::jthread thread_;
};

} // namespace mci
