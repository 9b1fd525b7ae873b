// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/mci/audio_output.h"
#include "platform/mci/mp3_decoder.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace mci {

enum class Mode { Playing, Paused, Stopped };

std::string_view modeWord(Mode mode);

// One open MPEG audio file: a decoder, an output pulling from it, and the playing state. Commands come from
// one thread at a time (the service serialises them); the output's thread pulls sound meanwhile.
class MpegVideoDevice final : private PcmSource {
public:
    struct Window {
        std::optional<int64_t> parent;
        std::string style;
    };

    // The device, stopped at 0, or kFileNotFound / kInvalidFile.
    static std::variant<std::unique_ptr<MpegVideoDevice>, uint32_t> open(
        const std::filesystem::path& path, Window window, const OutputFactory& outputFactory);

    MpegVideoDevice(std::unique_ptr<Mp3Decoder> decoder, Window window, const OutputFactory& outputFactory);
    ~MpegVideoDevice() override;
    MpegVideoDevice(const MpegVideoDevice&) = delete;
    MpegVideoDevice& operator=(const MpegVideoDevice&) = delete;

    // Each returns 0 or an error number. A play starts where the device stands unless told where from, and goes on
    // to the end unless told where to stop: there it stops by itself, with not a sample more handed to the output.
    uint32_t play(std::optional<int64_t> fromMilliseconds, std::optional<int64_t> toMilliseconds);
    uint32_t seek(int64_t milliseconds);
    uint32_t pause();
    uint32_t resume();
    uint32_t stop();

    int64_t lengthMilliseconds() const;
    int64_t positionMilliseconds();
    Mode mode();
    int32_t samplesPerSecond() const { return format_.sampleRate; }
    int32_t samplesPerFrame() const { return samplesPerFrame_; }
    const Window& window() const { return window_; }

private:
    void fill(std::span<int16_t> samples) override;

    // The frame being heard; call with mutex_ held.
    int64_t heardFrame() const;
    // The frame being heard once a play that has been heard through has stopped.
    int64_t standingFrame();
    // Halts the output and moves the decoder to `frame`; the output is not pulling afterwards.
    void haltAt(int64_t frame, Mode mode);
    void startPlaying();
    // A playing device that has been heard up to where its play stops is stopped there.
    void settleEnd();
    std::optional<int64_t> frameFor(int64_t milliseconds) const;

    const AudioFormat format_;
    const int64_t lengthFrames_;
    const int32_t samplesPerFrame_;
    const Window window_;
    // Guards what fill() touches: decoder_, handedFrames_, startFrame_, endFrame_, mode_, drained_.
    mutable std::mutex mutex_;
    std::unique_ptr<Mp3Decoder> decoder_;
    int64_t handedFrames_ = 0;
    int64_t startFrame_ = 0;
    int64_t endFrame_ = 0; // where the play under way stops
    Mode mode_ = Mode::Stopped;
    // The output asked for more after the last of the sound to play: everything handed over is on its way out.
    bool drained_ = false;
    std::unique_ptr<AudioOutput> output_;
};

} // namespace mci
