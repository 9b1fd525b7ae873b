// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/mci/audio_output.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>

namespace mci {

struct SdlLibrary;

// Real sound through SDL2 (PipeWire, PulseAudio or ALSA). SDL calls back on its own audio thread, which decodes
// there, so a busy window thread causes no dropout.
class SdlAudioOutput final : public AudioOutput {
public:
    // Starts SDL's audio part in the background; open() waits for it.
    static void prepare();

    // The output, or why SDL cannot play: its library is missing, or it finds no device to play on.
    static std::variant<std::unique_ptr<SdlAudioOutput>, std::string> open(AudioFormat format, PcmSource& source);

    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    // Only open() makes an output.
    class OpenOnly {
        friend class SdlAudioOutput;
        OpenOnly() = default;
    };
    SdlAudioOutput(OpenOnly, const SdlLibrary& sdl, AudioFormat format, PcmSource& source);

    void start() override;
    void halt() override;
    int64_t bufferedFrames() const override;

private:
    static void callback(void* self, uint8_t* stream, int length);
    static int64_t nowMicroseconds();

    // Copied from the library, so that an output left open at the program's end does not reach into state that
    // may already be gone; the library itself stays loaded.
    void (*const closeDevice_)(uint32_t device);
    void (*const pauseDevice_)(uint32_t device, int pause);
    const AudioFormat format_;
    PcmSource& source_;
    uint32_t device_ = 0;
    int64_t deviceBufferFrames_ = 0;
    std::atomic<int64_t> lastPullMicroseconds_ { 0 };
    std::atomic<bool> running_ { false };
};

} // namespace mci
