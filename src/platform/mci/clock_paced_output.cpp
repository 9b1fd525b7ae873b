// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/clock_paced_output.h"

#include <vector>

namespace mci {

namespace {

constexpr auto kStep = std::chrono::milliseconds(50);

int64_t framesIn(std::chrono::steady_clock::duration duration, int32_t sampleRate) {
    return std::chrono::duration_cast<std::chrono::microseconds>(duration).count() * sampleRate / 1'000'000;
}

} // namespace

ClockPacedOutput::ClockPacedOutput(AudioFormat format, PcmSource& source)
    : format_(format)
    , source_(source)
    , thread_([this](std::stop_token stop) { run(stop); }) { }

ClockPacedOutput::~ClockPacedOutput() {
    thread_.request_stop();
    wake_.notify_all();
}

void ClockPacedOutput::start() {
    const std::lock_guard lock(mutex_);
    running_ = true;
    runningSince_ = std::chrono::steady_clock::now();
    framesPulled_ = 0;
    wake_.notify_all();
}

// Pulling happens under the lock, so once halt() has the lock no pull is in progress.
void ClockPacedOutput::halt() {
    const std::lock_guard lock(mutex_);
    running_ = false;
    pulledHeardAt_ = std::chrono::steady_clock::time_point {};
}

int64_t ClockPacedOutput::bufferedFrames() const {
    const auto ahead = pulledHeardAt_.load() - std::chrono::steady_clock::now();
    return ahead > ahead.zero() ? framesIn(ahead, format_.sampleRate) : 0;
}

void ClockPacedOutput::run(std::stop_token stop) {
    std::vector<int16_t> samples;
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        if (!running_) {
            wake_.wait(lock, stop, [this] { return running_; });
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        const auto nextWake = now + kStep;
        const int64_t due = framesIn(nextWake - runningSince_, format_.sampleRate);
        if (due > framesPulled_) {
            // Set before the pull: a position asked for meanwhile may lag for that moment, but never runs ahead
            // of the sound and so never ends the play early.
            pulledHeardAt_ = nextWake;
            samples.resize(static_cast<std::size_t>((due - framesPulled_) * format_.channels));
            source_.fill(samples);
            framesPulled_ = due;
        }
        wake_.wait_until(lock, stop, nextWake, [] { return false; });
    }
}

} // namespace mci
