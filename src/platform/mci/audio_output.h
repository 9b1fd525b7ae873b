// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/mci/audio_format.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace mci {

// Where an output takes its sound from. Called on the output's own thread.
class PcmSource {
public:
    virtual ~PcmSource() = default;

    // Fills all of `samples` (interleaved, whole sample frames), with silence after the end of the sound.
    virtual void fill(std::span<int16_t> samples) = 0;
};

// A sound output that pulls from one source while running.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    virtual void start() = 0;

    // Stops pulling; once it returns, the source is not called again until the next start().
    virtual void halt() = 0;

    // Sample frames already pulled from the source that have not been heard yet.
    virtual int64_t bufferedFrames() const = 0;
};

using OutputFactory = std::function<std::unique_ptr<AudioOutput>(AudioFormat, PcmSource&)>;

} // namespace mci
