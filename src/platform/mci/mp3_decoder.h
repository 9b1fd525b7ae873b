#pragma once

#include "platform/mci/audio_format.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <variant>

struct mpg123_handle_struct;

namespace mci {

// An MPEG audio file opened with libmpg123 and scanned to the end, so its length in sample frames is exact
// (gapless: encoder delay and padding removed when the file tells them). Decodes to interleaved 16-bit samples.
class Mp3Decoder {
public:
    // The decoder, or kFileNotFound / kInvalidFile.
    static std::variant<std::unique_ptr<Mp3Decoder>, uint32_t> open(const std::filesystem::path& path);

    // Only open() makes a decoder.
    class Opened {
        friend class Mp3Decoder;
        Opened() = default;
    };
    struct HandleDeleter {
        void operator()(mpg123_handle_struct* handle) const;
    };
    using Handle = std::unique_ptr<mpg123_handle_struct, HandleDeleter>;
    Mp3Decoder(Opened, Handle handle, AudioFormat format, int64_t lengthFrames);
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    AudioFormat format() const { return format_; }
    int64_t lengthFrames() const { return lengthFrames_; }

    // Moves to `frame` (0..lengthFrames) exactly.
    void seek(int64_t frame);

    // Fills `samples` from the current frame on; returns the number of whole sample frames written, fewer than
    // fit only at the end of the file.
    std::size_t read(std::span<int16_t> samples);

private:
    Handle handle_;
    AudioFormat format_;
    int64_t lengthFrames_;
};

} // namespace mci
