#include "platform/mci/frame_walk.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mci {

namespace {

constexpr std::size_t kBlockBytes = 1 << 20;
constexpr std::size_t kHeaderBytes = 4;
constexpr int64_t kId3v1Bytes = 128;

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

struct AudioSpan {
    int64_t begin = 0;
    int64_t end = 0;
};

// The bytes between an ID3v2 tag in front and an ID3v1 tag behind.
std::optional<AudioSpan> findAudio(std::FILE* file, std::span<const uint8_t> firstBlock) {
    if (fseeko(file, 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    AudioSpan audio { 0, ftello(file) };
    if (firstBlock.size() >= 10 && firstBlock[0] == 'I' && firstBlock[1] == 'D' && firstBlock[2] == '3') {
        const int64_t size = int64_t { firstBlock[6] & 0x7F } << 21 | int64_t { firstBlock[7] & 0x7F } << 14
            | int64_t { firstBlock[8] & 0x7F } << 7 | (firstBlock[9] & 0x7F);
        const bool hasFooter = (firstBlock[5] & 0x10) != 0;
        audio.begin = 10 + size + (hasFooter ? 10 : 0);
    }
    std::array<char, 3> id3v1 {};
    if (audio.end - audio.begin >= kId3v1Bytes && fseeko(file, audio.end - kId3v1Bytes, SEEK_SET) == 0
        && std::fread(id3v1.data(), 1, id3v1.size(), file) == id3v1.size() && id3v1 == std::array { 'T', 'A', 'G' }) {
        audio.end -= kId3v1Bytes;
    }
    return audio;
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
    std::vector<uint8_t> buffer;
    const auto firstBlock = readBlock(file, 0, buffer);
    const auto audio = findAudio(file, firstBlock);
    if (!audio) {
        return false;
    }
    auto block = readBlock(file, audio->begin, buffer);
    int64_t blockStart = audio->begin;
    const auto first = block.size() >= kHeaderBytes ? parseHeader(block) : std::nullopt;
    const auto tag
        = first ? readTag(block.first(std::min<std::size_t>(block.size(), first->frameBytes)), *first) : std::nullopt;
    if (!tag || tag->bytes != audio->end - audio->begin) {
        return false;
    }
    int64_t frames = 0;
    int64_t offset = audio->begin;
    while (offset < audio->end) {
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
    return offset == audio->end && frames == tag->frames + 1;
}

} // namespace mci
