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
        const std::string state = harness.state();
        if (*expected != '\0') {
            EXPECT_EQ(state, expected) << "after " << step;
        }
    }
}

// A 20-second file with the marks at 1 and 3 seconds, playing at 3 seconds; then `steps`.
Story marked(const char* name, std::vector<std::pair<const char*, const char*>> steps) {
    steps.insert(steps.begin(),
        { { "open 20000", "" }, { "pass 500", "" }, { "click Start", "" }, { "pass 2000", "" }, { "click End", "" } });
    return { name, steps };
}

// Whatever takes over playback during a preview ends the preview at once without pausing anything, so playing
// goes on past the old end mark.
INSTANTIATE_TEST_SUITE_P(PreviewTakenOver, Steps,
    testing::Values(
        marked("ByPause",
            { { "at 2000 click Play", "" },
                { "click Preview",
                    "2/20 Play still paused 2000 [ 0:0:2| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" },
                { "click Play", "2/20 Pause tick playing 2500 [ 0:0:2| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" },
                { "pass 3000",
                    "5/20 Pause tick playing 5500 [ 0:0:5| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" } }),
        marked("ByStop",
            { { "at 2000 click Stop", "" },
                { "click Preview", "0/20 Play still stopped 0 [0:0:0| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" },
                { "click Play", "0/20 Pause tick playing 500 [0:0:0| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" },
                { "pass 3000",
                    "3/20 Pause tick playing 3500 [ 0:0:3| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" } }),
        marked("ByOpen",
            { { "at 2000 open 9000", "" },
                { "click Preview", "0/9 Pause tick playing 500 [ 0:0:3|0:0:0|0:0:0|0:0:0] 170,9400 s1025 m0,0" },
                { "pass 3000", "3/9 Pause tick playing 3500 [ 0:0:3|0:0:0|0:0:0|0:0:0] 170,9400 s1025 m0,0" } }),
        marked("BySave",
            { { "at 2000 click Save", "" },
                { "click Preview",
                    "2/20 Play tick stopped 2000 [ 0:0:2| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" },
                { "click Play", "2/20 Pause tick playing 2500 [ 0:0:2| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" },
                { "pass 3000",
                    "5/20 Pause tick playing 5500 [ 0:0:5| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" } }),
        marked("BySlider",
            { { "at 2000 slider 6", "" },
                { "click Preview",
                    "6/20 Pause tick playing 6000 [ 0:0:3| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" },
                { "pass 3000",
                    "9/20 Pause tick playing 9000 [ 0:0:9| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" } }),
        marked("ByAnotherPreview",
            { { "at 2000 click Preview", "" },
                { "click Preview",
                    "3/20 Play tick paused 3000 [ 0:0:3| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" },
                { "click Play", "3/20 Pause tick playing 3500 [ 0:0:3| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" },
                { "pass 3000",
                    "6/20 Pause tick playing 6500 [ 0:0:6| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" } }),
        marked("ByClosing",
            { { "at 2000 close", "" },
                { "click Preview",
                    "0/20 Pause tick closed -1 [ 0:0:0| 0:0:1| 0:0:3| 0:0:2] 632,1715 s461 m1000,3000" } }),
        Story { "AfterTheEndOfTheFile",
            { { "open 3504", "" }, { "pass 500", "" }, { "click Start", "" }, { "pass 1000", "" }, { "click End", "" },
                { "pass 1600", "3/3 Pause tick stopped 3504 [ 0:0:3| 0:0:1| 0:0:2| 0:0:1] 3247,6483 s3076 m1000,2000" },
                { "click Preview",
                    "1/3 Play tick paused 2000 [ 0:0:1| 0:0:1| 0:0:2| 0:0:1] 3247,6483 s3076 m1000,2000" },
                { "endmark 99000", "" },
                { "pass 3000", "2/3 Play tick paused 2000 [ 0:0:2| 0:0:1| 0:0:2| 0:0:1] 3247,6483 s3076 m1000,99000" },
                { "click Preview",
                    "3/3 Play tick stopped 3504 [ 0:0:3| 0:0:1| 0:0:2| 0:0:1] 3247,6483 s3076 m1000,99000" } } }),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(LongFiles, Steps,
    testing::Values(Story { "LinesStandAtTheThumb",
        { { "length 4200000", "" },
            { "open 5000", "0/4200 Pause tick playing 500 [|0:0:0|0:0:0|0:0:0] 170,9400 s2 m0,0" }, { "hold 1234", "" },
            { "click Start", "1234/4200 Pause still playing 500 [| 0:0:0|0:0:0|0:0:0] 2882,9400 s2 m500,0" },
            { "hold 4200", "" },
            { "click End", "4200/4200 Pause still playing 500 [| 0:0:0| 0:0:0|0:0:0] 2882,9560 s2 m500,500" },
            { "length 36000000", "" },
            { "open 5000", "0/36000 Pause tick playing 0 [|0:0:0|0:0:0|0:0:0] 170,9400 s0 m0,0" }, { "hold 7", "" },
            { "click Start", "7/36000 Pause still playing 0 [| 0:0:0|0:0:0|0:0:0] 172,9400 s0 m0,0" },
            { "hold 35999", "" },
            { "click End", "35999/36000 Pause still playing 0 [| 0:0:0| 0:0:0|0:0:0] 172,9560 s0 m0,0" } } }),
    [](const auto& info) { return std::string(info.param.name); });

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
                    "10/20 Pause tick playing 10500 [ 0:0:10| 0:0:10|0:0:0|0:0:0] 4785,9400 s461 m10500,0" },
                { "click Stop", "0/20 Play still stopped 0 [0:0:0| 0:0:10|0:0:0|0:0:0] 4785,9400 s461 m10500,0" },
                { "click Play", "0/20 Pause tick playing 500 [0:0:0| 0:0:10|0:0:0|0:0:0] 4785,9400 s461 m10500,0" } } },
        Story { "HeldThumb",
            { { "open 215000", "0/215 Pause tick playing 500 [|0:0:0|0:0:0|0:0:0] 170,9400 s42 m0,0" },
                { "pass 1500", "2/215 Pause tick playing 2000 [ 0:0:2|0:0:0|0:0:0|0:0:0] 170,9400 s42 m0,0" },
                { "hold 183", "183/215 Pause still playing 2000 [ 0:0:2|0:0:0|0:0:0|0:0:0] 170,9400 s42 m0,0" },
                { "pass 3000", "183/215 Pause still playing 5000 [ 0:0:2|0:0:0|0:0:0|0:0:0] 170,9400 s42 m0,0" },
                { "release", "183/215 Pause tick playing 183000 [ 0:0:2|0:0:0|0:0:0|0:0:0] 170,9400 s42 m0,0" },
                { "pass 1000", "184/215 Pause tick playing 184000 [ 0:3:4|0:0:0|0:0:0|0:0:0] 170,9400 s42 m0,0" },
                { "click End",
                    "184/215 Pause tick playing 184000 [ 0:3:4|0:0:0| 0:3:4| 0:3:4] 170,8229 s42 m0,184000" } } },
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
                { "click Start", "3/30 Pause tick playing 3000 [ 0:0:3| 0:0:3|0:0:0|0:0:0] 1093,9400 s307 m3000,0" },
                { "click Open", "3/30 Play still paused 3000 [ 0:0:3| 0:0:3|0:0:0|0:0:0] 1093,9400 s307 m3000,0" },
                { "pass 3000", "3/30 Play still paused 3000 [ 0:0:3| 0:0:3|0:0:0|0:0:0] 1093,9400 s307 m3000,0" },
                { "open noise.mp3",
                    "0/10 Play still closed -1 [|||] 210,9345 s0 m0,0 \"Cannot play noise.mp3: the file is missing or "
                    "is not an MP3 file that Tuneshear can play.\"" },
                { "click Play", "0/10 Play still closed -1 [|||] 210,9345 s0 m0,0" },
                { "click Stop", "0/10 Play still closed -1 [|||] 210,9345 s0 m0,0" },
                { "click Start", "0/10 Play still closed -1 [|||] 210,9345 s0 m0,0" },
                { "click End", "0/10 Play still closed -1 [|||] 210,9345 s0 m0,0" },
                { "pass 2000", "0/10 Play still closed -1 [|||] 210,9345 s0 m0,0" },
                { "open missing.mp3",
                    "0/10 Play still closed -1 [|||] 210,9345 s0 m0,0 \"Cannot play missing.mp3: the file is missing "
                    "or is not an MP3 file that Tuneshear can play.\"" } } },
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
                    "100/200 Pause tick playing 100000 [ 0:0:3| 0:1:40| 0:0:3|0:0:0] 4785,468 s46 m100000,3100" },
                { "click Preview",
                    "100/200 Pause tick playing 100000 [ 0:0:3| 0:1:40| 0:0:3|0:0:0] 4785,468 s46 m100000,3100 \"Wrong "
                    "Selection\"" },
                { "slider 200",
                    "200/200 Pause tick stopped 200000 [ 0:0:3| 0:1:40| 0:0:3|0:0:0] 4785,468 s46 m100000,3100" },
                { "click End",
                    "200/200 Pause tick stopped 200000 [ 0:0:3| 0:1:40| 0:3:20| 0:1:40] 4785,9560 s46 m100000,200000" },
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
                { "at 2000 click End", "" },
                { "click Preview",
                    "2/10 Play tick paused 2200 [ 0:0:2| 0:0:1| 0:0:2| 0:0:1] 1093,1253 s923 m1000,2000" } } }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
