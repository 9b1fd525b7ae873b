#include "platform/mci/frame_walk.h"

#include "platform/mci/audio_range.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mci {

namespace {

// Blocks that stay in the processor's cache: copying the file through a larger buffer is slower.
constexpr std::size_t kBlockBytes = 128 << 10;
constexpr std::size_t kHeaderBytes = 4;

struct FrameHeader {
    int version = 0; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int layer = 0;
    int sampleRateIndex = 0;
    bool mono = false;
    int64_t frameBytes = 0;
};

// Free-format frames (no bit rate in the header) are not walked.
std::optional<FrameHeader> parseHeader(std::span<const uint8_t> bytes) {
    if (bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    const int version = (bytes[1] >> 3) & 3;
    const int layer = 4 - ((bytes[1] >> 1) & 3);
    const int bitRateIndex = bytes[2] >> 4;
    const int sampleRateIndex = (bytes[2] >> 2) & 3;
    if (version == 1 || layer == 4 || bitRateIndex == 0 || bitRateIndex == 15 || sampleRateIndex == 3) {
        return std::nullopt;
    }
    static constexpr std::array<std::array<int, 15>, 3> kMpeg1Kbps {
        { { 0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448 },
            { 0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384 },
            { 0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320 } }
    };
    static constexpr std::array<std::array<int, 15>, 2> kMpeg2Kbps { {
        { 0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256 },
        { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160 },
    } };
    static constexpr std::array<int, 3> kMpeg1Rates { 44100, 48000, 32000 };
    const bool mpeg1 = version == 3;
    const int bitRate
        = 1000 * (mpeg1 ? kMpeg1Kbps[layer - 1][bitRateIndex] : kMpeg2Kbps[layer == 1 ? 0 : 1][bitRateIndex]);
    const int sampleRate = kMpeg1Rates[sampleRateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const int padding = (bytes[2] >> 1) & 1;
    int64_t frameBytes = 0;
    if (layer == 1) {
        frameBytes = (12 * bitRate / sampleRate + padding) * 4;
    } else {
        const int slotsPerBitPerSecond = layer == 3 && !mpeg1 ? 72 : 144;
        frameBytes = slotsPerBitPerSecond * bitRate / sampleRate + padding;
    }
    return FrameHeader { version, layer, sampleRateIndex, (bytes[3] >> 6) == 3, frameBytes };
}

uint32_t bigEndian(std::span<const uint8_t> bytes) {
    return uint32_t { bytes[0] } << 24 | uint32_t { bytes[1] } << 16 | uint32_t { bytes[2] } << 8 | bytes[3];
}

// Reads up to kBlockBytes from `offset` on.
std::span<const uint8_t> readBlock(std::FILE* file, int64_t offset, std::vector<uint8_t>& buffer) {
    buffer.resize(kBlockBytes);
    if (fseeko(file, offset, SEEK_SET) != 0) {
        return {};
    }
    return { buffer.data(), std::fread(buffer.data(), 1, buffer.size(), file) };
}

// The bytes between the file's tags, read through `file`.
std::optional<AudioRange> findAudio(std::FILE* file) {
    if (fseeko(file, 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    return audioRange(ftello(file), [file](int64_t offset, int64_t length) {
        std::string bytes(static_cast<std::size_t>(length), '\0');
        const bool read = fseeko(file, offset, SEEK_SET) == 0;
        bytes.resize(read ? std::fread(bytes.data(), 1, bytes.size(), file) : 0);
        return bytes;
    });
}

struct TagCounts {
    int64_t frames = 0;
    int64_t bytes = 0;
};

// The Xing or Info tag sits in the first frame's data, after the side information.
std::optional<TagCounts> readTag(std::span<const uint8_t> frame, const FrameHeader& header) {
    constexpr uint32_t kFramesAndBytes = 3;
    const std::size_t sideInfoBytes = header.version == 3 ? (header.mono ? 17 : 32) : (header.mono ? 9 : 17);
    const std::size_t at = kHeaderBytes + sideInfoBytes;
    if (header.layer != 3 || frame.size() < at + 16) {
        return std::nullopt;
    }
    const auto tag = frame.subspan(at);
    const bool named
        = std::equal(tag.begin(), tag.begin() + 4, "Xing") || std::equal(tag.begin(), tag.begin() + 4, "Info");
    if (!named || (bigEndian(tag.subspan(4)) & kFramesAndBytes) != kFramesAndBytes) {
        return std::nullopt;
    }
    return TagCounts { bigEndian(tag.subspan(8)), bigEndian(tag.subspan(12)) };
}

} // namespace

bool tagCountsWholeStream(std::FILE* file) {
    const auto audio = findAudio(file);
    if (!audio) {
        return false;
    }
    const int64_t audioEnd = audio->leadingBytes + audio->audioBytes;
    std::vector<uint8_t> buffer;
    auto block = readBlock(file, audio->leadingBytes, buffer);
    int64_t blockStart = audio->leadingBytes;
    const auto first = block.size() >= kHeaderBytes ? parseHeader(block) : std::nullopt;
    const auto tag
        = first ? readTag(block.first(std::min<std::size_t>(block.size(), first->frameBytes)), *first) : std::nullopt;
    if (!tag || tag->bytes != audio->audioBytes) {
        return false;
    }
    int64_t frames = 0;
    int64_t offset = audio->leadingBytes;
    while (offset < audioEnd) {
        if (offset + int64_t { kHeaderBytes } > blockStart + static_cast<int64_t>(block.size())) {
            block = readBlock(file, offset, buffer);
            blockStart = offset;
            if (block.size() < kHeaderBytes) {
                return false;
            }
        }
        const auto header = parseHeader(block.subspan(static_cast<std::size_t>(offset - blockStart)));
        if (!header || header->version != first->version || header->layer != first->layer
            || header->sampleRateIndex != first->sampleRateIndex) {
            return false;
        }
        offset += header->frameBytes;
        ++frames;
    }
    return offset == audioEnd && frames == tag->frames + 1;
}

} // namespace mci
