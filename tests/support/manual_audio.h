#pragma once

#include <chrono>
#include <memory>

namespace test_support {

// Puts the process-wide media service (mci::processService(), behind mciSendStringA) on a clock the test moves.
// While it exists, every device opened plays into a silent output that takes sound only inside advance(), so
// positions are exact: open, "play movie", advance(1500ms), and "status movie position" replies 1500.
// Devices opened before it keep their output. On destruction the service goes back to its default output.
class ManualAudioClock {
public:
    ManualAudioClock();
    ~ManualAudioClock();
    ManualAudioClock(const ManualAudioClock&) = delete;
    ManualAudioClock& operator=(const ManualAudioClock&) = delete;

    // Every playing device takes exactly `duration` of sound, before this returns.
    void advance(std::chrono::milliseconds duration);

    struct Outputs;

private:
    std::shared_ptr<Outputs> outputs_;
};

} // namespace test_support
