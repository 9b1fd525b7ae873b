#pragma once

namespace mci {

// True when the file's stream begins with a Xing/LAME tag that counts exactly the frames and bytes that follow
// it: every frame header from the tag to the end of the audio (before the tags at the end) is read and each frame meets
// the next, with no gap, damage or cut. Only then can the tag's count stand for the length without decoding.
// Reads the whole file, its two halves at once, with positioned reads that leave the descriptor's offset alone.
bool tagCountsWholeStream(int descriptor);

} // namespace mci
