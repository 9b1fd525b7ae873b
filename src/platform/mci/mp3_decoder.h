// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/mci/audio_format.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <variant>

struct mpg123_handle_struct;

namespace mci {

// An MPEG audio file opened with libmpg123, its length in sample frames exact (gapless: encoder delay and padding
// removed when the file tells them): taken from a LAME/Xing tag that counts the whole stream, else from a scan of
// every frame. Decodes to interleaved 16-bit samples. The library reads the file through a large buffer.
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
    struct FileCloser {
        std::unique_ptr<char[]> buffer; // the stream's own, freed only after the stream is closed
        void operator()(std::FILE* file) const;
    };
    using File = std::unique_ptr<std::FILE, FileCloser>;
    Mp3Decoder(Opened, File file, Handle handle, AudioFormat format, int64_t lengthFrames, int32_t samplesPerFrame);
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    AudioFormat format() const { return format_; }
    int64_t lengthFrames() const { return lengthFrames_; }
    // Sample frames in each MPEG frame of the stream: 384 in Layer I, 1152 in Layer II and in MPEG-1 Layer III,
    // 576 in the Layer III of MPEG-2 and 2.5.
    int32_t samplesPerFrame() const { return samplesPerFrame_; }

    // Moves to `frame` (0..lengthFrames) exactly.
    void seek(int64_t frame);

    // Fills `samples` from the current frame on; returns the number of whole sample frames written, fewer than
    // fit only at the end of the file.
    std::size_t read(std::span<int16_t> samples);

private:
    File file_; // read by handle_, so closed after it
    Handle handle_;
    AudioFormat format_;
    int64_t lengthFrames_;
    int32_t samplesPerFrame_;
};

} // namespace mci
