// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace clip {

// The tags a clip carries, rendered to bytes: the source's ID3v2 tag in front of the clip's frames, its APEv2 and its
// ID3v1 tag behind them.
struct ClipTags {
    std::vector<uint8_t> front;
    std::vector<uint8_t> back;
};

// The source's tags in their own kind and version (an ID3v2.2 tag, which nothing writes any more, becomes ID3v2.3),
// less what describes the whole source and would be wrong for a part of it: its length, time codes, seek and position
// points, chapters, the play counter, volume adjustment, and the loudness and gapless notes of other programs. A tag
// that is damaged, cut short or unreadable is left out; reading tags never fails.
ClipTags clipTagsOf(const QString& sourcePath);

} // namespace clip
