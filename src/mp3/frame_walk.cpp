// SPDX-License-Identifier: GPL-3.0-or-later
#include "mp3/frame_walk.h"

#include "mp3/audio_range.h"
#include "mp3/mpeg_frame.h"

#include <algorithm>
#include <cstdint>
#include <future>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mp3 {

namespace {

// Blocks that stay in the processor's cache: copying the file through a larger buffer is slower.
constexpr int64_t kBlockBytes = 128 << 10;
// The longest frame a header can announce (Layer II at 160 kbit/s and 8 kHz, with padding), and the next header.
constexpr int64_t kFrameAndNextHeaderBytes = 2881 + kFrameHeaderBytes;

AudioRange findAudio(const FileBytes& file) {
    return audioRange(file.size, [&file](int64_t offset, int64_t length) {
        std::string bytes(static_cast<std::size_t>(length), '\0');
        const std::size_t got = file.readAt(offset, std::span(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size()));
        bytes.resize(std::min(got, bytes.size()));
        return bytes;
    });
}

// The audio's bytes, read a block at a time as a walk moves forward through them; never the tags after it.
class AudioReader {
public:
    AudioReader(const FileBytes& file, int64_t audioEnd)
        : file_(file)
        , audioEnd_(audioEnd) { }

    int64_t audioEnd() const { return audioEnd_; }

    // At least `wanted` bytes from `offset` on, fewer only where the audio ends.
    std::span<const uint8_t> at(int64_t offset, int64_t wanted) {
        if (offset < 0 || offset >= audioEnd_) {
            return {};
        }
        const int64_t inBlock = offset - blockStart_;
        if (inBlock < 0 || inBlock + std::min(wanted, audioEnd_ - offset) > std::ssize(block_)) {
            buffer_.resize(static_cast<std::size_t>(std::min(audioEnd_ - offset, std::max(wanted, kBlockBytes))));
            block_ = std::span(buffer_).first(std::min(file_.readAt(offset, buffer_), buffer_.size()));
            blockStart_ = offset;
        }
        return block_.subspan(static_cast<std::size_t>(offset - blockStart_));
    }

    std::optional<FrameHeader> frameAt(int64_t offset, const FrameHeader* stream, Sync sync) {
        return frameStartsAt(at(offset, kFrameAndNextHeaderBytes), audioEnd_ - offset, stream, sync);
    }

private:
    const FileBytes& file_;
    const int64_t audioEnd_;
    std::vector<uint8_t> buffer_;
    std::span<const uint8_t> block_;
    int64_t blockStart_ = 0;
};

// The first place from `from` on where a frame starts; of `stream` where it is not null.
std::optional<int64_t> frameAfter(AudioReader& audio, int64_t from, const FrameHeader* stream) {
    for (int64_t blockStart = from; blockStart < audio.audioEnd();) {
        const auto block = audio.at(blockStart, kBlockBytes);
        // Near the block's end a frame's successor may lie in the next block, which looks there again.
        const bool reachesAudioEnd = blockStart + std::ssize(block) >= audio.audioEnd();
        const int64_t scanned = reachesAudioEnd ? std::ssize(block) : std::ssize(block) - kFrameAndNextHeaderBytes;
        if (scanned <= 0) {
            return std::nullopt;
        }
        for (int64_t at = 0; at < scanned; ++at) {
            const auto candidate = block.subspan(static_cast<std::size_t>(at));
            if (frameStartsAt(candidate, audio.audioEnd() - blockStart - at, stream, Sync::Searching)) {
                return blockStart + at;
            }
        }
        blockStart += scanned;
    }
    return std::nullopt;
}

struct Walk {
    int64_t from = 0;
    int64_t next = 0; // where the frame after the last one walked starts
    int64_t frames = 0;
};

Walk joined(const Walk& first, const Walk& second) {
    return { first.from, second.next, first.frames + second.frames };
}

// Walks the stream's frames from `from` on, each frame meeting the next, until one starts at or after `until` or
// no frame starts where the one before ended: then the walk ends before `until`.
Walk walkFrames(const FileBytes& file, int64_t audioEnd, int64_t from, int64_t until, const FrameHeader& stream) {
    AudioReader audio(file, audioEnd);
    Walk walk { from, from };
    while (walk.next < until) {
        const auto header = audio.frameAt(walk.next, &stream, Sync::Continuing);
        if (!header) {
            return walk;
        }
        walk.next += header->frameBytes;
        ++walk.frames;
    }
    return walk;
}

// A frame that libmpg123 decodes as silence zeroes this many bytes of its own area where it has a CRC; it counts the
// same number of bytes fewer in every such frame.
int64_t miscountedBytes(const FrameList& list) {
    return list.stream.crcProtected ? 2 : 0;
}

// The area frame `index` needs to stand alone: the sound data from where its own begins to the end of its area, and
// as many bytes more as libmpg123's count of the frames after it falls short of what they borrow.
int64_t standAloneAreaBytes(const FrameList& list, std::size_t index) {
    const auto& frames = list.frames;
    const int64_t miscounted = miscountedBytes(list);
    const int64_t ownData = frames[index].mainDataBegin + int64_t { frames[index].mainDataBytes };
    int64_t counted = ownData - miscounted;
    int64_t extra = 0;
    for (std::size_t next = index + 1; next < frames.size() && counted + extra < largestMainDataBegin(list.stream);
         ++next) {
        extra = std::max(extra, frames[next].mainDataBegin - counted);
        counted += frames[next].mainDataBytes - miscounted;
    }
    return ownData + extra;
}

} // namespace

bool decodesAsInStream(const FrameList& list, std::size_t from, std::size_t frame) {
    const int64_t miscounted = miscountedBytes(list);
    const int64_t largest = largestMainDataBegin(list.stream);
    int64_t counted = 0;
    int64_t areaStart = 0; // in the sound data from frame `from` on
    int64_t zeroedEnd = 0;
    for (std::size_t index = from; index < list.frames.size(); ++index) {
        const AudioFrame& current = list.frames[index];
        const bool silenced = current.mainDataBegin > counted;
        if (index >= frame) {
            if (silenced || areaStart - current.mainDataBegin < zeroedEnd) {
                return false;
            }
            if (counted == largest && areaStart - largest >= zeroedEnd) {
                return true; // nothing after can borrow more, or reach back to the zeroed bytes
            }
        } else if (silenced && miscounted > 0) {
            zeroedEnd = areaStart + miscounted;
        }
        counted = std::min(counted + current.mainDataBytes - miscounted, largest);
        areaStart += current.mainDataBytes;
    }
    return true;
}

bool canStandAlone(const FrameList& list, std::size_t index) {
    int64_t before = 0;
    for (std::size_t frame = index; frame-- > 0 && before < list.frames[index].mainDataBegin;) {
        before += list.frames[frame].mainDataBytes;
    }
    const auto sideInfoEnd = static_cast<int64_t>(sideInfoOffset(list.stream) + sideInfoBytes(list.stream));
    return before >= list.frames[index].mainDataBegin
        && bitRateIndexHolding(list.stream, sideInfoEnd + standAloneAreaBytes(list, index)).has_value();
}

std::optional<std::vector<uint8_t>> selfContainedFrameAt(
    const FileBytes& file, const FrameList& list, std::size_t index) {
    const auto& frames = list.frames;
    const auto readInto
        = [&file](int64_t offset, std::span<uint8_t> into) { return file.readAt(offset, into) == into.size(); };
    std::vector<uint8_t> frame(static_cast<std::size_t>(frames[index].bytes));
    std::vector<uint8_t> mainData(static_cast<std::size_t>(frames[index].mainDataBegin + frames[index].mainDataBytes));
    std::size_t missing = mainData.size();
    for (std::size_t source = index + 1; source-- > 0 && missing > 0;) {
        const auto area = std::min<std::size_t>(frames[source].mainDataBytes, missing);
        missing -= area;
        if (!readInto(frames[source].offset + frames[source].bytes - static_cast<int64_t>(area),
                std::span(mainData).subspan(missing, area))) {
            return std::nullopt;
        }
    }
    if (missing > 0 || !readInto(frames[index].offset, frame)
        || !frameStartsAt(frame, std::ssize(frame), &list.stream, Sync::Continuing)) {
        return std::nullopt;
    }
    const std::size_t borrowedLater = index + 1 < frames.size() ? frames[index + 1].mainDataBegin : 0;
    return selfContainedFrame(
        frame, mainData, borrowedLater, static_cast<std::size_t>(standAloneAreaBytes(list, index)));
}

std::optional<int64_t> firstRunOfFrames(const FileBytes& file, int length) {
    const AudioRange range = findAudio(file);
    AudioReader audio(file, range.leadingBytes + range.audioBytes);
    const int64_t audioEnd = audio.audioEnd();
    for (auto start = frameAfter(audio, range.leadingBytes, nullptr); start;
         start = frameAfter(audio, *start + 1, nullptr)) {
        const auto stream = audio.frameAt(*start, nullptr, Sync::Searching);
        int64_t next = *start;
        int run = 0;
        for (auto header = stream; header && run < length && next < audioEnd;
             header = audio.frameAt(next, &*stream, Sync::Continuing)) {
            next += header->frameBytes;
            ++run;
        }
        if (run == length || next == audioEnd) {
            return start;
        }
    }
    return std::nullopt;
}

std::optional<FrameList> listFrames(const FileBytes& file) {
    const AudioRange range = findAudio(file);
    AudioReader audio(file, range.leadingBytes + range.audioBytes);
    const int64_t audioEnd = audio.audioEnd();
    const auto first = frameAfter(audio, range.leadingBytes, nullptr);
    const auto stream = first ? audio.frameAt(*first, nullptr, Sync::Searching) : std::nullopt;
    if (!stream) {
        return std::nullopt;
    }
    FrameList list { range, *stream, {}, {} };
    int64_t next = *first;
    while (next < audioEnd) {
        const auto header = audio.frameAt(next, &*stream, Sync::Continuing);
        if (!header) {
            const auto resynchronised = frameAfter(audio, next + 1, &*stream);
            if (!resynchronised) {
                break;
            }
            next = *resynchronised;
            continue;
        }
        if (header->frameBytes > audioEnd - next) {
            break; // cut off
        }
        const auto frame = audio.at(next, header->frameBytes).first(static_cast<std::size_t>(header->frameBytes));
        if (next != *first || !(list.tag = informationTag(frame, *header))) {
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

bool tagCountsWholeStream(const FileBytes& file) {
    const AudioRange range = findAudio(file);
    const int64_t audioEnd = range.leadingBytes + range.audioBytes;
    AudioReader audio(file, audioEnd);
    const auto stream = audio.frameAt(range.leadingBytes, nullptr, Sync::Continuing);
    const auto firstBytes = stream ? audio.at(range.leadingBytes, stream->frameBytes) : std::span<const uint8_t> {};
    const auto tag = stream
        ? informationTag(firstBytes.first(std::min<std::size_t>(firstBytes.size(), stream->frameBytes)), *stream)
        : std::nullopt;
    // The library reads the counts of Xing and Info tags only, and so do we: a VBRI tag counts no bytes here.
    if (!tag || tag->bytes != range.audioBytes) {
        return false;
    }
    // Reading the file is most of the time, so the second half is walked at the same time from a frame found near
    // its start; where the two walks do not meet there, the first goes on alone. Where no thread can be started,
    // the second walk runs when its result is wanted.
    const int64_t middle = range.leadingBytes + range.audioBytes / 2;
    auto secondHalf = std::async(std::launch::async | std::launch::deferred, [&]() -> std::optional<Walk> {
        AudioReader ownReader(file, audioEnd);
        const auto from = frameAfter(ownReader, middle, &*stream);
        return from ? std::optional(walkFrames(file, audioEnd, *from, audioEnd, *stream)) : std::nullopt;
    });
    Walk walk = walkFrames(file, audioEnd, range.leadingBytes, middle, *stream);
    const auto second = secondHalf.get();
    // A first walk that ended early cannot go on: the rest is walked from where it ended only to end there again.
    walk = joined(
        walk, second && second->from == walk.next ? *second : walkFrames(file, audioEnd, walk.next, audioEnd, *stream));
    return walk.next == audioEnd && walk.frames == tag->frames + 1;
}

} // namespace mp3
