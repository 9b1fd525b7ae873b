// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

// Where the keys for placing a mark exactly put the position, and what each preview plays; all in milliseconds of
// a file `length` long.
namespace workflow {

// A stretch the device plays and stops at by itself.
struct PlayRange {
    int32_t from = 0;
    int32_t to = 0;
};

// How long one MPEG audio frame of the opened file lasts.
struct FrameTiming {
    int32_t samplesPerFrame = 0;
    int32_t samplesPerSecond = 0;
};

inline constexpr int32_t kListenAfterStepMs = 300;
inline constexpr int32_t kEdgeMs = 2000;

inline int32_t withinFile(int64_t position, int32_t length) {
    return static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>(position, length)));
}

// `frames` frames on from `position`, or back where negative, to the nearest millisecond and never out of the file.
// Where the frame's length is unknown the position stays.
inline int32_t frameStepLanding(int32_t position, int frames, FrameTiming timing, int32_t length) {
    if (timing.samplesPerFrame <= 0 || timing.samplesPerSecond <= 0) {
        return position;
    }
    const double step = 1000.0 * frames * timing.samplesPerFrame / timing.samplesPerSecond;
    return withinFile(int64_t { position } + std::llround(step), length);
}

// What a step while paused or stopped lets the user hear of where they are.
inline PlayRange listeningAfterStep(int32_t place, int32_t length) {
    return { place, std::max(place, withinFile(int64_t { place } + kListenAfterStepMs, length)) };
}

// The selection, as much of it as lies in the file.
inline PlayRange selectionRange(int32_t markStart, int32_t markEnd, int32_t length) {
    const int32_t to = withinFile(markEnd, length);
    return { std::min(withinFile(markStart, length), to), to };
}

enum class Edge { Start, End };

// The 2 s that begin at the start mark or end at the end mark, less where the selection is shorter; none without a
// selection.
inline std::optional<PlayRange> edgeRange(Edge edge, int32_t markStart, int32_t markEnd, int32_t length) {
    if (markStart >= markEnd) {
        return std::nullopt;
    }
    const PlayRange selection = selectionRange(markStart, markEnd, length);
    if (edge == Edge::Start) {
        return PlayRange { selection.from, withinFile(int64_t { selection.from } + kEdgeMs, selection.to) };
    }
    return PlayRange { std::max(selection.from, selection.to - kEdgeMs), selection.to };
}

} // namespace workflow
