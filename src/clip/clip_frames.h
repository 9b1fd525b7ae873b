// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clip/clip_copy.h"
#include "mp3/frame_walk.h"

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

// Which of the source's frames a clip holds. A clip is whole frames of the source, never part of one, behind an
// information frame of its own where that says more than the frames can.
namespace clip {

struct FrameChoice {
    std::size_t first = 0; // index into FrameList::frames
    std::size_t last = 0; // the last frame in the clip
    // Where the clip plays exactly the marked samples: the samples a gapless player drops at its two ends.
    std::optional<mp3::Gapless> gapless;
    bool silenceFirst = false; // a frame of digital silence goes before the first frame
    bool firstStandsAlone = false; // the first frame is written anew so that it borrows nothing
};

// A Layer III clip plays sample-exact from markStart to markEnd on the playing timeline (which leaves out the
// source's own delay and padding): it begins with the frames whose overlap the start mark's frame carries on, the
// first of them written anew so that it borrows nothing (or, where no bit rate holds it, early enough that the
// decoder finds what the later frames borrow), behind a frame of silence where the decoder's latency would reach
// before the file's first frame; it ends one frame after the end mark's, and tells gapless players what to drop.
// Where those numbers do not fit a LAME tag, and for other layers, the clip is frame-exact: a file of one bit rate
// is cut where `arithmetic` puts its bytes, moved on to the next frame start and out to the end of the frame its
// last byte falls in; a file whose bit rate varies, or one given no arithmetic, at the frames that hold the two marks.
Result<FrameChoice> chooseFrames(
    const mp3::FrameList& list, const std::optional<ClipRange>& arithmetic, int32_t markStart, int32_t markEnd);

// The information frame a clip begins with, or none (a frame-exact clip of one bit rate needs none: its bit rate
// gives its length). leadingFrames are the frames written anew that come first; musicCrc is the CRC-16 of every
// frame after the information frame.
std::vector<uint8_t> informationFrameFor(
    const mp3::FrameList& list, const FrameChoice& choice, std::span<const uint8_t> leadingFrames, uint16_t musicCrc);

// The chosen frames' bytes, behind their information frame and the frames written anew, between the tags.
ClipBytes clipBytes(mp3::FrameList list, const FrameChoice& choice, ClipTags tags, std::vector<uint8_t> leadingFrames);

// The clip of the selection from markStart to markEnd of the file at sourcePath, which plays mediaLengthMs: the frames
// that chooseFrames takes, behind an information frame of their own where one is needed, between the source's tags
// (see clipTagsOf). Tags do not play, so they count neither in the byte rate nor in the positions.
Result<ClipBytes> clipOfSelection(const QString& sourcePath, int32_t mediaLengthMs, int32_t markStart, int32_t markEnd);

} // namespace clip
