// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mp3/audio_range.h"
#include "mp3/mpeg_frame.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace mp3 {

// A file's bytes as the walk reads them. readAt reads up to into.size() bytes from offset on and says how many it
// read, fewer where the file ends or cannot be read; tagCountsWholeStream calls it from two threads at once.
struct FileBytes {
    int64_t size = 0;
    std::function<std::size_t(int64_t offset, std::span<uint8_t> into)> readAt;
};

// Whether the frame before ended where a frame is looked for, or the stream begins or begins again after junk there.
enum class Sync { Continuing, Searching };

// The one rule for where a frame starts, at the start of `bytes`: a header, of `stream` where it is not null, that
// continues the stream, or, where searching, that the next frame's header of the same stream follows where it says
// or that ends exactly where the audio does (audioEndsAt, counted from the start of `bytes`). Sound data can look
// like a frame followed by another: a walk begun there then fails to meet the walk that comes from the front.
// Inline, as a walk asks it of every frame.
inline std::optional<FrameHeader> frameStartsAt(
    std::span<const uint8_t> bytes, int64_t audioEndsAt, const FrameHeader* stream, Sync sync) {
    auto header = parseFrameHeader(bytes);
    if (!header || (stream && !sameStream(*header, *stream))) {
        return std::nullopt;
    }
    if (sync == Sync::Continuing) {
        return header;
    }
    const int64_t next = header->frameBytes;
    if (next == audioEndsAt) {
        return header;
    }
    if (next + static_cast<int64_t>(kFrameHeaderBytes) > std::min(std::ssize(bytes), audioEndsAt)) {
        return std::nullopt;
    }
    const auto following = parseFrameHeader(bytes.subspan(static_cast<std::size_t>(next)));
    return following && sameStream(*following, *header) ? header : std::nullopt;
}

// A frame of sound: where it lies in the file, and what the cut of a clip needs to know of it.
struct AudioFrame {
    int64_t offset = 0;
    int32_t bytes = 0;
    int32_t bitRate = 0;
    int32_t mainDataBytes = 0; // Layer III: the bytes it holds for its own and later frames' sound
    int32_t mainDataBegin = 0; // Layer III: the bytes of its sound that lie in the frames before it
};

// The frames of an MP3 file's stream, between its tags.
struct FrameList {
    AudioRange audio;
    FrameHeader stream; // the first frame of sound's header
    std::optional<InformationTag> tag; // where the first frame holds a Xing, Info or VBRI tag instead of sound
    std::vector<AudioFrame> frames; // every frame of sound, in order; the information frame is not among them
};

// How libmpg123 (and mpg123 and GStreamer with it) reads the bit reservoir from the first frame it is given on: it
// counts 2 bytes fewer sound data than a frame with a CRC holds, and a frame that borrows more than it has counted
// it decodes as silence by zeroing the side information in place, in a frame with a CRC two bytes too far: over the
// first two bytes of the frame's own area, which the frames after it may borrow. True when every frame from `frame`
// on decodes as in the whole stream where the decoder is given the frames from `from` on.
bool decodesAsInStream(const FrameList& list, std::size_t from, std::size_t frame);

// Whether frame `index` can be written anew to borrow nothing (see selfContainedFrameAt): the frames before it hold
// what it borrows, and some bit rate of the stream's version holds it.
bool canStandAlone(const FrameList& list, std::size_t index);

// Frame `index` written anew to borrow nothing (see selfContainedFrame), its sound data read from the frames before
// it, with an area large enough that every frame after it also finds what it borrows as libmpg123 counts (see
// decodesAsInStream). Nothing where it cannot stand alone or the file does not hold what the list says.
std::optional<std::vector<uint8_t>> selfContainedFrameAt(
    const FileBytes& file, const FrameList& list, std::size_t index);

// Where the audio's first run of `length` frames starts, each where the one before ends (fewer where the audio ends
// after them), or nothing where it holds none. Real audio shows up as such a run; junk practically never does.
std::optional<int64_t> firstRunOfFrames(const FileBytes& file, int length);

// Walks every frame between the tags, from the first one on. Junk between frames is stepped over, to the next place
// where a frame starts; a frame cut off by the end of the audio is left out. Nothing where no frame is found.
std::optional<FrameList> listFrames(const FileBytes& file);

// True when the file's stream begins with a Xing/LAME tag that counts exactly the frames and bytes that follow
// it: every frame header from the tag to the end of the audio (before the tags at the end) is read and each frame meets
// the next, with no gap, damage or cut. Only then can the tag's count stand for the length without decoding.
// Reads the whole file, its two halves at once.
bool tagCountsWholeStream(const FileBytes& file);

} // namespace mp3
