#include "support/workflow_harness.h"

#include <algorithm>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace {

using namespace std::chrono_literals;
using test_support::WorkflowHarness;

// How often `command` was sent from the `first` recorded command on.
int countFrom(const std::vector<std::string>& commands, std::size_t first, const std::string& command) {
    return static_cast<int>(std::count(commands.begin() + static_cast<std::ptrdiff_t>(first), commands.end(), command));
}

class Selection : public testing::Test {
protected:
    void openSilentMp3(std::chrono::milliseconds duration) { harness.open(harness.silentMp3("song.mp3", duration)); }

    // Lets the file play on until the device reaches `position`.
    void playTo(std::chrono::milliseconds position) {
        harness.pass(position - std::chrono::milliseconds(harness.devicePositionMs()));
        ASSERT_EQ(harness.devicePositionMs(), position.count());
    }

    void markStartAt(std::chrono::milliseconds position) {
        playTo(position);
        harness.click(window.Command5);
    }

    void markEndAt(std::chrono::milliseconds position) {
        playTo(position);
        harness.click(window.Command6);
    }

    // Play Selected, with `duringPreview` run wherever it lets events run. A preview still running long after it
    // should have ended is stopped by moving the end mark, so that the test fails instead of hanging.
    void playSelected(const std::function<void()>& duringPreview) {
        int passes = 0;
        harness.fakes().duringWait = [&] {
            duringPreview();
            if (++passes > 200) {
                window.markEnd = 0;
            }
        };
        harness.click(window.Command9);
        harness.fakes().duringWait = nullptr;
    }

    WorkflowHarness harness;
    Form1& window = harness.window();
};

TEST_F(Selection, MarksShowTheirWholeSecondsAndTheLengthAsTheirDifference) {
    openSilentMp3(200s);
    markStartAt(1900ms);
    markEndAt(3100ms);

    EXPECT_EQ(window.markStart, 1900);
    EXPECT_EQ(window.markEnd, 3100);
    EXPECT_EQ(window.Label7->text(), " 0 : 0 : 1");
    EXPECT_EQ(window.Label9->text(), " 0 : 0 : 3");
    EXPECT_EQ(window.Label3->text(), " 0 : 0 : 2");
}

// Each line stands at the thumb's share of the timeline, rounded once, also where the scale truncates to little
// or nothing; the end line is drawn 160 twips further right.
TEST_F(Selection, MarkLinesStandAtTheThumbOnFilesOfAnyLength) {
    // Seconds of the file, the thumb at Mark Start and at Mark End, then markScale and both lines' x.
    for (const auto& [seconds, startThumb, endThumb, scale, startX, endX] :
        { std::array { 200, 100, 200, 46, 4785, 9560 }, std::array { 4200, 1234, 4200, 2, 2882, 9560 },
            std::array { 36000, 7, 35999, 0, 172, 9560 } }) {
        harness.replyOnceInstead("status movie length", std::to_string(seconds * 1000));
        harness.open(harness.silentMp3(std::to_string(seconds) + ".mp3", 5s));
        harness.dragThumbTo(startThumb);
        harness.click(window.Command5);
        harness.dragThumbTo(endThumb);
        harness.click(window.Command6);
        EXPECT_EQ((std::vector { window.markScale, window.Line1->X1(), window.Line1->X2(), window.Line2->X1(),
                      window.Line2->X2() }),
            (std::vector { scale, startX, startX, endX, endX }));
    }
}

TEST_F(Selection, NoSelectionOrMarksInReverseOrderShowNoLengthAndCannotBePlayed) {
    openSilentMp3(10s);
    const QString captionBefore = window.Command1->text();
    const auto playSelectedSendsNothing = [&] {
        const auto commandsBefore = harness.commands().size();
        harness.click(window.Command9);
        EXPECT_EQ(harness.commands().size(), commandsBefore);
    };
    playSelectedSendsNothing();
    markEndAt(2000ms);
    markStartAt(5000ms);
    EXPECT_EQ(window.Label3->text(), "0 : 0 : 0");
    playSelectedSendsNothing();

    ASSERT_EQ(harness.fakes().messages.size(), 2u);
    for (const auto& message : harness.fakes().messages) {
        EXPECT_EQ(message.text, "Wrong Selection");
        EXPECT_EQ(message.buttons, platform::MessageButtons::Ok);
    }
    EXPECT_EQ(window.Command1->text(), captionBefore);
    EXPECT_TRUE(harness.devicePlaying());

    markEndAt(7000ms);
    EXPECT_EQ(window.Label3->text(), " 0 : 0 : 2");
}

TEST_F(Selection, PreviewPlaysFromTheStartMarkAndPausesAtTheEndMark) {
    openSilentMp3(10s);
    markStartAt(1000ms);
    markEndAt(3000ms);
    playTo(6000ms);
    std::vector<int64_t> positions;
    std::vector<int> sliderValues;
    QStringList captions;
    harness.fakes().duringWait = [&] {
        positions.push_back(harness.devicePositionMs());
        sliderValues.push_back(window.H->Value());
        captions.append(window.Command1->text());
    };

    harness.click(window.Command9);

    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.front(), 1000);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_LT(positions.back(), 3000);
    EXPECT_EQ(captions.count("Pause"), captions.size());
    // The tick moves the slider once a second from where it stood, and the position clock follows it.
    EXPECT_EQ(sliderValues.front(), 6);
    EXPECT_EQ(sliderValues.back(), 2);
    EXPECT_EQ(harness.fakes().sleeps, std::vector(positions.size(), std::chrono::milliseconds(200)));

    EXPECT_FALSE(harness.devicePlaying());
    EXPECT_GE(harness.devicePositionMs(), 3000);
    EXPECT_LT(harness.devicePositionMs(), 3200);
    EXPECT_EQ(window.Command1->text(), "Play");
    EXPECT_EQ(window.Label4->text(), " 0 : 0 : 2");
    EXPECT_TRUE(window.T->Enabled());
}

TEST_F(Selection, MarkEndDuringThePreviewEndsItAtTheNextPass) {
    openSilentMp3(10s);
    markStartAt(1000ms);
    markEndAt(8000ms);
    harness.fakes().duringWait = [&] {
        if (window.markEnd == 8000 && harness.devicePositionMs() >= 2000) {
            harness.click(window.Command6);
        }
    };

    harness.click(window.Command9);

    EXPECT_EQ(window.markEnd, 2000);
    EXPECT_EQ(window.Label9->text(), " 0 : 0 : 2");
    EXPECT_FALSE(harness.devicePlaying());
    EXPECT_GE(harness.devicePositionMs(), 2000);
    EXPECT_LE(harness.devicePositionMs(), 2200);
}

// Whatever takes over playback, also a second preview, ends the preview at once, and the preview pauses nothing: a
// Play afterwards plays on past the old end mark.
TEST_F(Selection, ATakeoverOfPlaybackEndsThePreviewWithoutPausingAndAFollowingPlayPlaysOn) {
    const std::pair<std::string, std::function<void()>> takeovers[] {
        { "Pause", [&] { harness.click(window.Command1); } }, { "Stop", [&] { harness.click(window.Command2); } },
        { "Open", [&] { harness.open(harness.silentMp3("other.mp3", 20s)); } },
        { "Save",
            [&] {
                harness.chooseInNextDialog(harness.folder() / "clip.mp3");
                harness.click(window.Command7);
            } },
        { "SliderSeek", [&] { harness.clickSliderAt(6); } },
        { "PlaySelected", [&] { harness.click(window.Command9); } }, { "Close", [&] { window.close(); } }
    };
    for (const auto& [name, takeOver] : takeovers) {
        SCOPED_TRACE(name);
        harness.open(harness.silentMp3(name + ".mp3", 20s));
        markStartAt(1000ms);
        markEndAt(3000ms);
        bool tookOver = false;
        std::size_t sleepsAfter = 0;
        std::size_t commandsAfter = 0;
        playSelected([&] {
            if (!tookOver && harness.devicePositionMs() >= 2000) {
                tookOver = true;
                takeOver();
                sleepsAfter = harness.fakes().sleeps.size();
                commandsAfter = harness.commands().size();
            }
        });

        ASSERT_TRUE(tookOver);
        EXPECT_EQ(harness.fakes().sleeps.size(), sleepsAfter) << "the preview went on";
        EXPECT_EQ(countFrom(harness.commands(), commandsAfter, "pause movie"), 0);
        if (name == "Close") {
            break; // nothing is open to play any more
        }
        if (window.Command1->text() == "Play") {
            harness.click(window.Command1);
        }
        harness.pass(4s);
        EXPECT_TRUE(harness.devicePlaying());
        EXPECT_GT(harness.devicePositionMs(), 4000);
    }
}

// Wherever the device stands, also stopped at the very end of the file, the preview plays from the start mark; a
// preview whose device stops playing, here at the end of the file, ends there.
TEST_F(Selection, PreviewPlaysFromTheStartMarkAfterTheEndOfTheFileAndEndsWhenTheDeviceStops) {
    // The end mark, then where the device rests afterwards: from, and before.
    for (const auto& [markEnd, restsFrom, restsBefore] : { std::array { 2000, 2000, 2200 }, { 99000, 3504, 3505 } }) {
        harness.open(harness.silentMp3(std::to_string(markEnd) + ".mp3", 3504ms));
        markStartAt(1000ms);
        window.markEnd = markEnd;
        harness.pass(2600ms); // the device stops at the end, before the next tick finds it there
        ASSERT_FALSE(harness.devicePlaying());

        playSelected([] {});

        EXPECT_FALSE(harness.devicePlaying());
        EXPECT_GE(harness.devicePositionMs(), restsFrom);
        EXPECT_LT(harness.devicePositionMs(), restsBefore);
        EXPECT_EQ(window.Command1->text(), "Play");
    }
}

} // namespace
