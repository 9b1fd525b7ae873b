#include "support/workflow_harness.h"

#include <gtest/gtest.h>

namespace {

using test_support::WorkflowHarness;

// The window from start-up: each step as a user takes it, then what the user sees and hears (see
// WorkflowHarness::state). The time of day starts on a whole second, so Open's half-second wait ends at 500 ms and
// T ticks on every whole second of playing from then on.
struct Story {
    const char* name;
    std::vector<std::pair<const char*, const char*>> steps;
};

void PrintTo(const Story& story, std::ostream* out) {
    *out << story.name;
}

class Steps : public testing::TestWithParam<Story> { };

TEST_P(Steps, ShowWhatTheUserExpects) {
    WorkflowHarness harness;
    test_support::writeFile(harness.folder() + "/noise.mp3", QByteArray(9000, 'x'));
    for (const auto& [step, expected] : GetParam().steps) {
        harness.run(step);
        EXPECT_EQ(harness.state(), expected) << "after " << step;
    }
}

INSTANTIATE_TEST_SUITE_P(Window, Steps,
    testing::Values(
        Story { "Transport",
            { { "open 20000", "0/20 Pause tick playing 500 [|0:0:0|0:0:0|0:0:0] 170,9400 s461 m0,0" },
                { "pass 1200", "1/20 Pause tick playing 1700 [ 0:0:1|0:0:0|0:0:0|0:0:0] 170,9400 s461 m0,0" },
                { "click Play", "1/20 Play still paused 1700 [ 0:0:1|0:0:0|0:0:0|0:0:0] 170,9400 s461 m0,0" },
                { "pass 5000", "1/20 Play still paused 1700 [ 0:0:1|0:0:0|0:0:0|0:0:0] 170,9400 s461 m0,0" },
                { "slider 9", "9/20 Play still stopped 9000 [ 0:0:1|0:0:0|0:0:0|0:0:0] 170,9400 s461 m0,0" },
                { "click Play", "9/20 Pause tick playing 9500 [ 0:0:1|0:0:0|0:0:0|0:0:0] 170,9400 s461 m0,0" },
                { "pass 1000", "10/20 Pause tick playing 10500 [ 0:0:10|0:0:0|0:0:0|0:0:0] 170,9400 s461 m0,0" },
                { "click Start",
                    "10/20 Pause tick playing 10500 [ 0:0:10| 0:0:10|0:0:0|0:0:0] 4780,9400 s461 m10500,0" },
                { "click Stop", "0/20 Play still stopped 0 [0:0:0| 0:0:10|0:0:0|0:0:0] 4780,9400 s461 m10500,0" },
                { "click Play", "0/20 Pause tick playing 500 [0:0:0| 0:0:10|0:0:0|0:0:0] 4780,9400 s461 m10500,0" } } },
        Story { "HeldThumb",
            { { "open 215000", "0/215 Pause tick playing 500 [|0:0:0|0:0:0|0:0:0] 170,9400 s42 m0,0" },
                { "pass 1500", "2/215 Pause tick playing 2000 [ 0:0:2|0:0:0|0:0:0|0:0:0] 170,9400 s42 m0,0" },
                { "hold 183", "183/215 Pause still playing 2000 [ 0:0:2|0:0:0|0:0:0|0:0:0] 170,9400 s42 m0,0" },
                { "pass 3000", "183/215 Pause still playing 5000 [ 0:0:2|0:0:0|0:0:0|0:0:0] 170,9400 s42 m0,0" },
                { "release", "183/215 Pause tick playing 183000 [ 0:0:2|0:0:0|0:0:0|0:0:0] 170,9400 s42 m0,0" },
                { "pass 1000", "184/215 Pause tick playing 184000 [ 0:3:4|0:0:0|0:0:0|0:0:0] 170,9400 s42 m0,0" },
                { "click End",
                    "184/215 Pause tick playing 184000 [ 0:3:4|0:0:0| 0:3:4| 0:3:4] 170,8058 s42 m0,184000" } } },
        Story { "EndOnAWholeSecond",
            { { "open 3000", "0/3 Pause tick playing 500 [|0:0:0|0:0:0|0:0:0] 170,9400 s3076 m0,0" },
                { "pass 1500", "2/3 Pause tick playing 2000 [ 0:0:2|0:0:0|0:0:0|0:0:0] 170,9400 s3076 m0,0" },
                { "pass 1100", "0/3 Play tick stopped 0 [ 0:0:3|0:0:0|0:0:0|0:0:0] 170,9400 s3076 m0,0" },
                { "pass 2000", "0/3 Play tick stopped 0 [ 0:0:0|0:0:0|0:0:0|0:0:0] 170,9400 s3076 m0,0" } } },
        Story { "EndInAPartialSecond",
            { { "open 3504", "0/3 Pause tick playing 500 [|0:0:0|0:0:0|0:0:0] 170,9400 s3076 m0,0" },
                { "pass 2500", "3/3 Pause tick playing 3000 [ 0:0:3|0:0:0|0:0:0|0:0:0] 170,9400 s3076 m0,0" },
                { "pass 1100", "0/3 Play tick stopped 0 [ 0:0:3|0:0:0|0:0:0|0:0:0] 170,9400 s3076 m0,0" } } },
        Story { "UnderOneSecond",
            { { "open 20000", "0/20 Pause tick playing 500 [|0:0:0|0:0:0|0:0:0] 170,9400 s461 m0,0" },
                { "open 600", "0/0 Pause tick playing 0 [|0:0:0|0:0:0|0:0:0] 170,9400 s461 m0,0" },
                { "pass 1500", "0/0 Play tick stopped 0 [ 0:0:0|0:0:0|0:0:0|0:0:0] 170,9400 s461 m0,0" },
                { "click Play", "0/0 Play tick playing 500 [ 0:0:0|0:0:0|0:0:0|0:0:0] 170,9400 s461 m0,0" },
                { "open 1500", "0/1 Pause tick playing 0 [ 0:0:0|0:0:0|0:0:0|0:0:0] 170,9400 s9230 m0,0" } } },
        Story { "OpenCancelledOrFailed",
            { { "click Open", "0/10 Play still closed -1 [|||] 210,9345 s0 m0,0" },
                { "open 30000", "0/30 Pause tick playing 500 [|0:0:0|0:0:0|0:0:0] 170,9400 s307 m0,0" },
                { "pass 2500", "3/30 Pause tick playing 3000 [ 0:0:3|0:0:0|0:0:0|0:0:0] 170,9400 s307 m0,0" },
                { "click Start", "3/30 Pause tick playing 3000 [ 0:0:3| 0:0:3|0:0:0|0:0:0] 1091,9400 s307 m3000,0" },
                { "click Open", "3/30 Play still paused 3000 [ 0:0:3| 0:0:3|0:0:0|0:0:0] 1091,9400 s307 m3000,0" },
                { "pass 3000", "3/30 Play still paused 3000 [ 0:0:3| 0:0:3|0:0:0|0:0:0] 1091,9400 s307 m3000,0" },
                { "open noise.mp3",
                    "0/30 Play still closed -1 [ 0:0:3|0:0:0|0:0:0|0:0:0] 1091,9400 s307 m0,0 \"Cannot play noise.mp3: "
                    "the file is missing or is not an MP3 file that Tuneshear can play.\"" },
                { "open missing.mp3",
                    "0/30 Play still closed -1 [ 0:0:3|0:0:0|0:0:0|0:0:0] 1091,9400 s307 m0,0 \"Cannot play "
                    "missing.mp3: the file is missing or is not an MP3 file that Tuneshear can play.\"" } } },
        Story { "Marks",
            { { "open 200000", "0/200 Pause tick playing 500 [|0:0:0|0:0:0|0:0:0] 170,9400 s46 m0,0" },
                { "click Preview",
                    "0/200 Pause tick playing 500 [|0:0:0|0:0:0|0:0:0] 170,9400 s46 m0,0 \"Wrong Selection\"" },
                { "pass 1400", "1/200 Pause tick playing 1900 [ 0:0:1|0:0:0|0:0:0|0:0:0] 170,9400 s46 m0,0" },
                { "click Start", "1/200 Pause tick playing 1900 [ 0:0:1| 0:0:1|0:0:0|0:0:0] 216,9400 s46 m1900,0" },
                { "pass 1200", "3/200 Pause tick playing 3100 [ 0:0:3| 0:0:1|0:0:0|0:0:0] 216,9400 s46 m1900,0" },
                { "click End", "3/200 Pause tick playing 3100 [ 0:0:3| 0:0:1| 0:0:3| 0:0:2] 216,468 s46 m1900,3100" },
                { "slider 100",
                    "100/200 Pause tick playing 100000 [ 0:0:3| 0:0:1| 0:0:3| 0:0:2] 216,468 s46 m1900,3100" },
                { "click Start",
                    "100/200 Pause tick playing 100000 [ 0:0:3| 0:1:40| 0:0:3|0:0:0] 4770,468 s46 m100000,3100" },
                { "click Preview",
                    "100/200 Pause tick playing 100000 [ 0:0:3| 0:1:40| 0:0:3|0:0:0] 4770,468 s46 m100000,3100 \"Wrong "
                    "Selection\"" },
                { "slider 200",
                    "200/200 Pause tick stopped 200000 [ 0:0:3| 0:1:40| 0:0:3|0:0:0] 4770,468 s46 m100000,3100" },
                { "click End",
                    "200/200 Pause tick stopped 200000 [ 0:0:3| 0:1:40| 0:3:20| 0:1:40] 4770,9530 s46 "
                    "m100000,200000" },
                { "open 3000", "0/3 Pause tick playing 400 [ 0:0:3|0:0:0|0:0:0|0:0:0] 170,9400 s3076 m0,0" } } },
        Story { "Preview",
            { { "open 10000", "0/10 Pause tick playing 500 [|0:0:0|0:0:0|0:0:0] 170,9400 s923 m0,0" },
                { "pass 500", "1/10 Pause tick playing 1000 [ 0:0:1|0:0:0|0:0:0|0:0:0] 170,9400 s923 m0,0" },
                { "click Start", "1/10 Pause tick playing 1000 [ 0:0:1| 0:0:1|0:0:0|0:0:0] 1093,9400 s923 m1000,0" },
                { "pass 2000", "3/10 Pause tick playing 3000 [ 0:0:3| 0:0:1|0:0:0|0:0:0] 1093,9400 s923 m1000,0" },
                { "click End", "3/10 Pause tick playing 3000 [ 0:0:3| 0:0:1| 0:0:3| 0:0:2] 1093,3099 s923 m1000,3000" },
                { "pass 3000", "6/10 Pause tick playing 6000 [ 0:0:6| 0:0:1| 0:0:3| 0:0:2] 1093,3099 s923 m1000,3000" },
                { "click Preview",
                    "2/10 Play tick paused 3000 [ 0:0:2| 0:0:1| 0:0:3| 0:0:2] 1093,3099 s923 m1000,3000" },
                { "at 2000 click End",
                    "2/10 Play tick paused 3000 [ 0:0:2| 0:0:1| 0:0:3| 0:0:2] 1093,3099 s923 m1000,3000" },
                { "click Preview",
                    "2/10 Play tick paused 2200 [ 0:0:2| 0:0:1| 0:0:2| 0:0:1] 1093,1253 s923 m1000,2000" } } }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
