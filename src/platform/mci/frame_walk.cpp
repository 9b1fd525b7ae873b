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
// The longest frame a header can announce: Layer II at 160 kbit/s and 8 kHz, with padding.
constexpr int64_t kLargestFrameBytes = 2881;

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

// The file's bytes from an offset on, read a block at a time as a walk moves forward through them.
class BlockReader {
public:
    explicit BlockReader(int descriptor)
        : descriptor_(descriptor) { }

    // At least `wanted` bytes from `offset` on, fewer only where the file ends.
    std::span<const uint8_t> at(int64_t offset, std::size_t wanted) {
        if (offset < blockStart_ || offset + static_cast<int64_t>(wanted) > blockStart_ + std::ssize(block_)) {
            block_ = readBlock(descriptor_, offset, buffer_);
            blockStart_ = offset;
        }
        return block_.subspan(static_cast<std::size_t>(offset - blockStart_));
    }

private:
    int descriptor_;
    std::vector<uint8_t> buffer_;
    std::span<const uint8_t> block_;
    int64_t blockStart_ = 0;
};

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
    BlockReader file(descriptor);
    Walk walk { from, from };
    while (walk.next < until) {
        const auto header = parseFrameHeader(file.at(walk.next, kFrameHeaderBytes));
        if (!ofStream(header, stream)) {
            walk.intact = false;
            return walk;
        }
        walk.next += header->frameBytes;
        ++walk.frames;
    }
    return walk;
}

// The first offset in the block from `from` on where a frame starts and a frame of the same stream follows it;
// both of `stream` where it is given. Sound data can look like that too; a walk begun there then fails to meet the
// walk that comes from the front.
std::optional<int64_t> frameAfter(int descriptor, int64_t from, const std::optional<FrameHeader>& stream) {
    std::vector<uint8_t> buffer;
    const auto block = readBlock(descriptor, from, buffer);
    for (std::size_t at = 0; at + kFrameHeaderBytes <= block.size(); ++at) {
        const auto header = parseFrameHeader(block.subspan(at));
        const auto next = at + (header ? header->frameBytes : 0);
        if (header && (!stream || sameStream(*header, *stream)) && next + kFrameHeaderBytes <= block.size()
            && ofStream(parseFrameHeader(block.subspan(next)), *header)) {
            return from + static_cast<int64_t>(at);
        }
    }
    return std::nullopt;
}

// Like frameAfter, but on through the whole range up to `until`, a block at a time.
std::optional<int64_t> frameBetween(
    int descriptor, int64_t from, int64_t until, const std::optional<FrameHeader>& stream) {
    for (int64_t blockStart = from; blockStart < until; blockStart += kBlockBytes - kLargestFrameBytes) {
        if (const auto found = frameAfter(descriptor, blockStart, stream)) {
            return *found < until ? found : std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<FrameList> listFrames(int descriptor) {
    const auto audio = findAudio(descriptor);
    const int64_t audioEnd = audio ? audio->leadingBytes + audio->audioBytes : 0;
    const auto first = audio ? frameBetween(descriptor, audio->leadingBytes, audioEnd, std::nullopt) : std::nullopt;
    BlockReader file(descriptor);
    const auto stream = first ? parseFrameHeader(file.at(*first, kFrameHeaderBytes)) : std::nullopt;
    if (!stream) {
        return std::nullopt;
    }
    FrameList list { *audio, *stream, {}, 0, {} };
    int64_t next = *first;
    while (next < audioEnd) {
        const auto bytes = file.at(next, kLargestFrameBytes);
        const auto header = parseFrameHeader(bytes);
        if (!ofStream(header, *stream)) {
            const auto resynchronised = frameBetween(descriptor, next + 1, audioEnd, *stream);
            if (!resynchronised) {
                break;
            }
            next = *resynchronised;
            continue;
        }
        if (header->frameBytes > audioEnd - next) {
            break; // cut off
        }
        const auto frame = bytes.first(std::min(bytes.size(), static_cast<std::size_t>(header->frameBytes)));
        if (next == *first && (list.tag = informationTag(frame, *header))) {
            list.tagFrameBytes = header->frameBytes;
        } else {
            if (list.frames.empty()) {
                list.stream = *header;
            }
            list.frames.push_back({ next, static_cast<int32_t>(header->frameBytes), header->bitRate,
                static_cast<int32_t>(mainDataBytes(*header)), mainDataBegin(frame, *header) });
        }
        next += header->frameBytes;
    }
    return list;
}

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
