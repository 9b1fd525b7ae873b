#include "platform/mci/clock_paced_output.h"

#include <vector>

namespace mci {

namespace {

constexpr auto kTick = std::chrono::milliseconds(10);

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
        const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - runningSince_);
        const int64_t due = elapsed.count() * format_.sampleRate / 1'000'000;
        if (due > framesPulled_) {
            samples.resize(static_cast<std::size_t>((due - framesPulled_) * format_.channels));
            source_.fill(samples);
            framesPulled_ = due;
        }
        wake_.wait_until(lock, stop, now + kTick, [] { return false; });
    }
}

} // namespace mci
