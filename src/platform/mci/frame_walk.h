#pragma once

#include <cstdio>

namespace mci {

// True when the file's stream begins with a Xing/LAME tag that counts exactly the frames and bytes that follow
// it: every frame header from the tag to the end of the audio (before the tags at the end) is read and each frame meets
// the next, with no gap, damage or cut. Only then can the tag's count stand for the length without decoding.
// Reads the whole file, its two halves at once, without moving the stream's position.
bool tagCountsWholeStream(std::FILE* file);

} // namespace mci
