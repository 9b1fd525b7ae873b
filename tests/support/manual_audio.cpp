// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/manual_audio.h"

#include "mp3/sample_time.h"
#include "platform/mci/audio_output.h"
#include "platform/mci/service.h"

#include <mutex>
#include <set>
#include <vector>

namespace test_support {

namespace {

class ManualOutput;

} // namespace

struct ManualAudioClock::Outputs {
    std::mutex mutex;
    std::set<ManualOutput*> running;
};

namespace {

// Everything pulled counts as heard. start() and halt() take the registry's lock, which advance() holds while
// pulling: once halt() returns no pull is in progress.
class ManualOutput final : public mci::AudioOutput {
public:
    ManualOutput(mci::AudioFormat format, mci::PcmSource& source, std::shared_ptr<ManualAudioClock::Outputs> outputs)
        : format_(format)
        , source_(source)
        , outputs_(std::move(outputs)) { }
    ~ManualOutput() override { halt(); }

    void start() override {
        const std::lock_guard lock(outputs_->mutex);
        outputs_->running.insert(this);
        playedMs_ = framesPulled_ = 0;
    }
    void halt() override {
        const std::lock_guard lock(outputs_->mutex);
        outputs_->running.erase(this);
    }
    int64_t bufferedFrames() const override { return 0; }

    void play(std::chrono::milliseconds duration) {
        playedMs_ += duration.count();
        const int64_t due = mp3::millisecondsToFrames(playedMs_, format_.sampleRate);
        std::vector<int16_t> samples(static_cast<std::size_t>((due - framesPulled_) * format_.channels));
        source_.fill(samples);
        framesPulled_ = due;
    }

private:
    const mci::AudioFormat format_;
    mci::PcmSource& source_;
    const std::shared_ptr<ManualAudioClock::Outputs> outputs_;
    int64_t playedMs_ = 0;
    int64_t framesPulled_ = 0;
};

} // namespace

ManualAudioClock::ManualAudioClock()
    : outputs_(std::make_shared<Outputs>()) {
    mci::processService().setOutputFactory([outputs = outputs_](mci::AudioFormat format, mci::PcmSource& source) {
        return std::make_unique<ManualOutput>(format, source, outputs);
    });
}

ManualAudioClock::~ManualAudioClock() {
    mci::processService().useDefaultOutput();
}

void ManualAudioClock::advance(std::chrono::milliseconds duration) {
    const std::lock_guard lock(outputs_->mutex);
    for (ManualOutput* output : outputs_->running) {
        output->play(duration);
    }
}

} // namespace test_support
