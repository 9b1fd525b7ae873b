#pragma once

#include "platform/mci/audio_range.h"
#include "platform/mci/mpeg_frame.h"

#include <optional>
#include <vector>

namespace mci {

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
    int64_t tagFrameBytes = 0;
    std::vector<AudioFrame> frames; // every frame of sound, in order; the information frame is not among them
};

// Walks every frame header between the tags, from the first frame that another of its stream follows. Junk
// between frames is stepped over as the decoder does, to the next frame that another follows; a frame cut off by
// the end of the audio is left out. Nothing where no frame is found.
std::optional<FrameList> listFrames(int descriptor);

// True when the file's stream begins with a Xing/LAME tag that counts exactly the frames and bytes that follow
// it: every frame header from the tag to the end of the audio (before the tags at the end) is read and each frame meets
// the next, with no gap, damage or cut. Only then can the tag's count stand for the length without decoding.
// Reads the whole file, its two halves at once, with positioned reads that leave the descriptor's offset alone.
bool tagCountsWholeStream(int descriptor);

} // namespace mci
