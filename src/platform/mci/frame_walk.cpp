#include "platform/mci/frame_walk.h"

#include "platform/mci/audio_range.h"

#include <array>
#include <cstdint>
#include <future>
#include <optional>
#include <span>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
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

bool ofStream(const std::optional<FrameHeader>& header, const FrameHeader& stream) {
    return header && header->version == stream.version && header->layer == stream.layer
        && header->sampleRateIndex == stream.sampleRateIndex;
}

uint32_t bigEndian(std::span<const uint8_t> bytes) {
    return uint32_t { bytes[0] } << 24 | uint32_t { bytes[1] } << 16 | uint32_t { bytes[2] } << 8 | bytes[3];
}

// Reads up to kBlockBytes from `offset` on.
std::span<const uint8_t> readBlock(int descriptor, int64_t offset, std::vector<uint8_t>& buffer) {
    buffer.resize(kBlockBytes);
    const ssize_t got = pread(descriptor, buffer.data(), buffer.size(), offset);
    return { buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0 };
}

// The bytes between the file's tags.
std::optional<AudioRange> findAudio(int descriptor) {
    struct stat status { };
    if (fstat(descriptor, &status) != 0) {
        return std::nullopt;
    }
    return audioRange(status.st_size, [descriptor](int64_t offset, int64_t length) {
        std::string bytes(static_cast<std::size_t>(length), '\0');
        const ssize_t got = pread(descriptor, bytes.data(), bytes.size(), offset);
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return bytes;
    });
}

struct Walk {
    int64_t from = 0;
    int64_t next = 0; // where the frame after the last one walked starts
    int64_t frames = 0;
    bool intact = true; // every header read was one of the stream's
};

Walk joined(const Walk& first, const Walk& second) {
    return { first.from, second.next, first.frames + second.frames, second.intact };
}

// Reads the stream's frame headers from `from` on, each frame meeting the next, until one starts at or after
// `until` or a header is not the stream's.
Walk walkFrames(int descriptor, int64_t from, int64_t until, const FrameHeader& stream) {
    std::vector<uint8_t> buffer;
    std::span<const uint8_t> block;
    int64_t blockStart = from;
    Walk walk { from, from };
    while (walk.next < until) {
        if (walk.next + int64_t { kHeaderBytes } > blockStart + static_cast<int64_t>(block.size())) {
            block = readBlock(descriptor, walk.next, buffer);
            blockStart = walk.next;
        }
        const auto at = block.subspan(static_cast<std::size_t>(walk.next - blockStart));
        const auto header = at.size() >= kHeaderBytes ? parseHeader(at) : std::nullopt;
        if (!ofStream(header, stream)) {
            walk.intact = false;
            return walk;
        }
        walk.next += header->frameBytes;
        ++walk.frames;
    }
    return walk;
}

// The first offset from `from` on where a frame of the stream starts and the next one follows it. Sound data can
// look like that too; a walk begun there then fails to meet the walk that comes from the front.
std::optional<int64_t> frameAfter(int descriptor, int64_t from, const FrameHeader& stream) {
    std::vector<uint8_t> buffer;
    const auto block = readBlock(descriptor, from, buffer);
    for (std::size_t at = 0; at + kHeaderBytes <= block.size(); ++at) {
        const auto header = parseHeader(block.subspan(at));
        const auto next = at + (header ? header->frameBytes : 0);
        if (ofStream(header, stream) && next + kHeaderBytes <= block.size()
            && ofStream(parseHeader(block.subspan(next)), stream)) {
            return from + static_cast<int64_t>(at);
        }
    }
    return std::nullopt;
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

bool tagCountsWholeStream(int descriptor) {
    const auto audio = findAudio(descriptor);
    if (!audio) {
        return false;
    }
    std::vector<uint8_t> buffer;
    const auto block = readBlock(descriptor, audio->leadingBytes, buffer);
    const auto stream = block.size() >= kHeaderBytes ? parseHeader(block) : std::nullopt;
    const auto tag = stream ? readTag(block.first(std::min<std::size_t>(block.size(), stream->frameBytes)), *stream)
                            : std::nullopt;
    if (!tag || tag->bytes != audio->audioBytes) {
        return false;
    }
    // Reading the file is most of the time, so the second half is walked at the same time from a frame found near
    // its start; where the two walks do not meet there, the first goes on alone. Where no thread can be started,
    // the second walk runs when its result is wanted.
    const int64_t audioEnd = audio->leadingBytes + audio->audioBytes;
    const int64_t middle = audio->leadingBytes + audio->audioBytes / 2;
    auto secondHalf = std::async(std::launch::async | std::launch::deferred, [&]() -> std::optional<Walk> {
        const auto from = frameAfter(descriptor, middle, *stream);
        return from ? std::optional(walkFrames(descriptor, *from, audioEnd, *stream)) : std::nullopt;
    });
    Walk walk = walkFrames(descriptor, audio->leadingBytes, middle, *stream);
    const auto second = secondHalf.get();
    if (walk.intact) {
        walk = joined(
            walk, second && second->from == walk.next ? *second : walkFrames(descriptor, walk.next, audioEnd, *stream));
    }
    return walk.intact && walk.next == audioEnd && walk.frames == tag->frames + 1;
}

} // namespace mci
