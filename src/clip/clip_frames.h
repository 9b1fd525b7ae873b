#pragma once

#include "clip/clip_copy.h"
#include "mp3/frame_walk.h"

#include <cstddef>
#include <optional>
#include <vector>

// Which of the source's frames a clip holds. A clip is whole frames of the source, never part of one, behind an
// information frame of its own where that says more than the frames can.
namespace clip {

struct FrameChoice {
    std::size_t first = 0; // index into FrameList::frames
    std::size_t last = 0; // the last frame in the clip
    // Where the clip plays exactly the marked samples: the samples a gapless player drops at its two ends.
    std::optional<mp3::Gapless> gapless;
};

// A Layer III clip plays sample-exact from markStart to markEnd on the playing timeline (which leaves out the
// source's own delay and padding): it begins early enough that the bit reservoir and the decoder's overlap of the
// start mark's frame are complete, ends one frame after the end mark's, and tells gapless players what to drop.
// Where those numbers do not fit a LAME tag, and for other layers, the clip is frame-exact: a file of one bit rate
// is cut where `arithmetic` puts its bytes, moved on to the next frame start and out to the end of the frame its
// last byte falls in; a file whose bit rate varies is cut at the frames that hold the two marks.
Result<FrameChoice> chooseFrames(
    const mp3::FrameList& list, const ClipRange& arithmetic, int32_t markStart, int32_t markEnd);

// The information frame a clip begins with, or none (a frame-exact clip of one bit rate needs none: its bit rate
// gives its length). musicCrc is the CRC-16 of the frames copied after it.
std::vector<uint8_t> informationFrameFor(const mp3::FrameList& list, const FrameChoice& choice, uint16_t musicCrc);

// The chosen frames' bytes, behind their information frame, between the tags.
ClipBytes clipBytes(mp3::FrameList list, const FrameChoice& choice, ClipTags tags);

// The clip of the selection from markStart to markEnd of the file at sourcePath, which plays mediaLengthMs: the frames
// that chooseFrames takes, behind an information frame of their own where one is needed, between the source's tags
// (see clipTagsOf). Tags do not play, so they count neither in the byte rate nor in the positions.
Result<ClipBytes> clipOfSelection(const QString& sourcePath, int32_t mediaLengthMs, int32_t markStart, int32_t markEnd);

} // namespace clip
