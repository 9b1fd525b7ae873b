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

} // namespace workflow
