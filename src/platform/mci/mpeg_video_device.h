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

    // Each returns 0 or an error number.
    uint32_t play(std::optional<int64_t> fromMilliseconds);
    uint32_t seek(int64_t milliseconds);
    uint32_t pause();
    uint32_t resume();
    uint32_t stop();

    int64_t lengthMilliseconds() const;
    int64_t positionMilliseconds();
    Mode mode();
    const Window& window() const { return window_; }

private:
    void fill(std::span<int16_t> samples) override;

    // The frame being heard; call with mutex_ held.
    int64_t heardFrame() const;
    // Halts the output and moves the decoder to `frame`; the output is not pulling afterwards.
    void haltAt(int64_t frame, Mode mode);
    void startPlaying();
    // A playing device whose sound has all been heard is stopped at its end.
    void settleEnd();
    std::optional<int64_t> frameFor(int64_t milliseconds) const;

    const AudioFormat format_;
    const int64_t lengthFrames_;
    const Window window_;
    mutable std::mutex mutex_; // guards what fill() touches: decoder_, handedFrames_, startFrame_, mode_, drained_
    std::unique_ptr<Mp3Decoder> decoder_;
    int64_t handedFrames_ = 0;
    int64_t startFrame_ = 0;
    Mode mode_ = Mode::Stopped;
    // The output asked for more after the last of the sound: everything handed over is on its way out.
    bool drained_ = false;
    std::unique_ptr<AudioOutput> output_;
};

} // namespace mci
