// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

// The timeline under the slider, where the mark lines stand: from the slider's left end to its right end, in
// twips of the window's inside.
namespace workflow {

inline constexpr int32_t kTimelineStartTwips = 170;
inline constexpr int32_t kTimelineEndTwips = 9400;
inline constexpr int32_t kTimelineTwips = kTimelineEndTwips - kTimelineStartTwips;

// Twips of timeline per second of a slider range of `sliderMax` seconds; none for an empty range, where the
// previous scale stays in use.
inline std::optional<int32_t> markScaleFor(int32_t sliderMax) {
    if (sliderMax == 0) {
        return std::nullopt;
    }
    return kTimelineTwips / sliderMax;
}

// Where a mark line stands for the slider's value: `offset` plus the value's share of the timeline, rounded once to
// the nearest twip so that on long files the line stays at the thumb. The range starts at 0, so nothing is negative.
inline int32_t markLineTwips(int32_t sliderValue, int32_t sliderMax, int32_t offset) {
    if (sliderMax <= 0) {
        return offset;
    }
    const int64_t doubled = int64_t { sliderValue } * kTimelineTwips * 2;
    return offset + static_cast<int32_t>((doubled + sliderMax) / (int64_t { sliderMax } * 2));
}

} // namespace workflow
