#include "workflow/listening.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string shown(const std::optional<workflow::PlayRange>& range) {
    return range ? std::to_string(range->from) + "-" + std::to_string(range->to) : "none";
}

// 1152 samples at 44.1 kHz last 26.12 ms, 384 at 48 kHz 8 ms; a frame of unknown length moves nothing.
TEST(FrameStep, LandsWholeFramesAwayToTheNearestMillisecondAndNeverOutOfTheFile) {
    const workflow::FrameTiming mpeg1 { 1152, 44100 };
    const std::tuple<int32_t, int, workflow::FrameTiming, int32_t> rows[] { { 1000, 1, mpeg1, 1026 },
        { 1000, 5, mpeg1, 1131 }, { 1000, -10, mpeg1, 739 }, { 20, -1, mpeg1, 0 }, { 2990, 1, mpeg1, 3000 },
        { 1000, 1, { 576, 22050 }, 1026 }, { 1000, -1, { 384, 48000 }, 992 }, { 1000, 1, { 1152, 0 }, 1000 },
        { 1000, 1, { 0, 44100 }, 1000 } };
    for (const auto& [position, frames, timing, landing] : rows) {
        EXPECT_EQ(workflow::frameStepLanding(position, frames, timing, 3000), landing) << position << " " << frames;
    }
}

// Each row: the marks and the length; then the selection, the start edge and the end edge as the device plays them.
TEST(Previews, PlayTheSelectionAndItsTwoSecondEdgesWithinTheFile) {
    const std::tuple<int32_t, int32_t, int32_t, const char*> rows[] {
        { 60000, 180000, 200000, "60000-180000 60000-62000 178000-180000" },
        { 1000, 2950, 200000, "1000-2950 1000-2950 1000-2950" }, { 1000, 99000, 3504, "1000-3504 1000-3000 1504-3504" },
        { 5000, 99000, 3504, "3504-3504 3504-3504 3504-3504" }, { 2000, 2000, 3000, "2000-2000 none none" },
        { 3000, 1000, 3000, "1000-1000 none none" },
        { INT32_MAX - 1000, INT32_MAX, INT32_MAX, "2147482647-2147483647 2147482647-2147483647 2147482647-2147483647" }
    };
    for (const auto& [start, end, length, expected] : rows) {
        EXPECT_EQ(shown(workflow::selectionRange(start, end, length)) + " "
                + shown(workflow::edgeRange(workflow::Edge::Start, start, end, length)) + " "
                + shown(workflow::edgeRange(workflow::Edge::End, start, end, length)),
            expected);
    }
    for (const auto& [place, length, expected] : { std::tuple { 1000, 3000, "1000-1300" }, { 2900, 3000, "2900-3000" },
             { 3000, 3000, "3000-3000" }, { INT32_MAX - 100, INT32_MAX, "2147483547-2147483647" } }) {
        EXPECT_EQ(shown(workflow::listeningAfterStep(place, length)), expected);
    }
}

} // namespace
