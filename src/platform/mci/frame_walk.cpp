#include "platform/mci/frame_walk.h"

#include "platform/mci/audio_range.h"
#include "platform/mci/mpeg_frame.h"

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

// A frame of the stream: the same version, layer and sample rate as its first frame.
bool ofStream(const std::optional<FrameHeader>& header, const FrameHeader& stream) {
    return header && sameStream(*header, stream);
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
        if (walk.next + int64_t { kFrameHeaderBytes } > blockStart + static_cast<int64_t>(block.size())) {
            block = readBlock(descriptor, walk.next, buffer);
            blockStart = walk.next;
        }
        const auto at = block.subspan(static_cast<std::size_t>(walk.next - blockStart));
        const auto header = parseFrameHeader(at);
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
    for (std::size_t at = 0; at + kFrameHeaderBytes <= block.size(); ++at) {
        const auto header = parseFrameHeader(block.subspan(at));
        const auto next = at + (header ? header->frameBytes : 0);
        if (ofStream(header, stream) && next + kFrameHeaderBytes <= block.size()
            && ofStream(parseFrameHeader(block.subspan(next)), stream)) {
            return from + static_cast<int64_t>(at);
        }
    }
    return std::nullopt;
}

} // namespace

bool tagCountsWholeStream(int descriptor) {
    const auto audio = findAudio(descriptor);
    if (!audio) {
        return false;
    }
    std::vector<uint8_t> buffer;
    const auto block = readBlock(descriptor, audio->leadingBytes, buffer);
    const auto stream = parseFrameHeader(block);
    const auto tag = stream
        ? informationTag(block.first(std::min<std::size_t>(block.size(), stream->frameBytes)), *stream)
        : std::nullopt;
    // The library reads the counts of Xing and Info tags only.
    if (!tag || tag->kind != InformationTag::Kind::Xing || tag->bytes != audio->audioBytes) {
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
