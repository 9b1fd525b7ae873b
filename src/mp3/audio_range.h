// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace mp3 {

// Where the audio frames of an MP3 file lie: after any ID3v2 tags in front and before an APEv2 and an ID3v1 tag at
// the end. Only these bytes play.
struct AudioRange {
    int64_t leadingBytes = 0; // bytes before the first audio byte
    int64_t audioBytes = 0;
};

// The file's bytes from offset (counting from 0) on, at most length of them; fewer where the file ends.
using FileBytesAt = std::function<std::string(int64_t offset, int64_t length)>;

// Reads only tag headers and footers, never outside the file's fileSize bytes. A header that is damaged (bad
// syncsafe bytes, a size running past the file's end or into another tag) counts as no tag, and its bytes as audio.
AudioRange audioRange(int64_t fileSize, const FileBytesAt& bytesAt);

} // namespace mp3
