#include "support/workflow_harness.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace std::chrono_literals;
using test_support::WorkflowHarness;

// The transport as the user sees and hears it: thumb, button caption, ticking, sound, position in ms.
using State = std::tuple<int, QString, bool, bool, int64_t>;

// A file playing since Open. The time of day starts on a whole second, so Open's wait ends half a second in, at
// position 500, and T, enabled as Open began, ticks on every whole second from then on.
class Transport : public testing::Test {
protected:
    void openFileOf(std::chrono::milliseconds length) { harness.open(harness.silentMp3("tune.mp3", length)); }

    State state() {
        return { window.H->Value(), window.Command1->text(), window.T->Enabled(), harness.devicePlaying(),
            harness.devicePositionMs() };
    }

    WorkflowHarness harness;
    Form1& window = harness.window();
};

TEST_F(Transport, PlayPausePlayContinuesFromThePausedPositionAndStopReturnsToTheStart) {
    openFileOf(20s);
    harness.pass(1200ms);
    harness.commands().clear();

    harness.click(window.Command1);
    EXPECT_EQ(state(), (State { 1, "Play", false, false, 1700 }));
    harness.pass(5s);
    EXPECT_EQ(state(), (State { 1, "Play", false, false, 1700 })) << "no tick and no sound while paused";

    harness.click(window.Command1);

    EXPECT_EQ(state(), (State { 1, "Pause", true, true, 2200 })); // the half-second wait after Play
    EXPECT_EQ(harness.commands(),
        (std::vector<std::string> { "pause movie", "play movie", "set movie time format ms", "status movie length",
            "set movie time format ms", "status movie length" }));
    harness.pass(1s); // the first tick, a second after Play, finds 2700 ms
    EXPECT_EQ(state(), (State { 2, "Pause", true, true, 3200 }));
    EXPECT_EQ(window.Label4->text(), " 0 : 0 : 2");

    harness.commands().clear();
    harness.click(window.Command2);
    EXPECT_EQ(harness.commands(),
        (std::vector<std::string> { "stop movie", "status movie mode", "status movie mode", "seek movie to 0" }));
    EXPECT_EQ(state(), (State { 0, "Play", false, false, 0 }));
}

TEST_F(Transport, WhilePausedTheSliderAndStopOnlyMoveWhereTheNextPlayStartsAndStopKeepsTheSelection) {
    openFileOf(20s);
    harness.pass(4500ms);
    harness.click(window.Command1);
    window.markStart = 1000;
    window.markEnd = 3000;
    window.Label7->setText(" 0 : 0 : 1");
    window.Line1->setX1(631);

    harness.clickSliderAt(9);
    harness.pass(2s);
    EXPECT_EQ(state(), (State { 9, "Play", false, false, 9000 }));
    harness.click(window.Command1);
    EXPECT_EQ(harness.devicePositionMs(), 9500);

    harness.click(window.Command1);
    harness.click(window.Command2);

    EXPECT_EQ(state(), (State { 0, "Play", false, false, 0 }));
    EXPECT_EQ(window.H->Max(), 20);
    EXPECT_EQ(window.Label4->text(), "0 : 0 : 0");
    EXPECT_EQ(std::tuple(window.markStart, window.markEnd, window.Label7->text(), window.Line1->X1()),
        std::tuple(1000, 3000, QString(" 0 : 0 : 1"), 631));
    harness.click(window.Command1);
    EXPECT_EQ(harness.devicePositionMs(), 500);
}

TEST_F(Transport, NoTickMovesTheHeldThumbAndTheReleasePlaysOnFromItsSecondShownAsAClock) {
    openFileOf(215s);
    harness.pass(1500ms);

    harness.pressSlider();
    harness.dragThumbTo(183);
    harness.pass(3s);
    EXPECT_EQ(window.H->Value(), 183);
    EXPECT_FALSE(window.T->Enabled());
    harness.releaseSlider();

    EXPECT_EQ(state(), (State { 183, "Pause", true, true, 183000 }));
    harness.pass(1s);
    EXPECT_EQ(window.H->Value(), 184);
    EXPECT_EQ(window.Label4->text(), " 0 : 3 : 4");
}

struct Ending {
    std::chrono::milliseconds length;
    std::chrono::milliseconds tickThatFindsTheEnd;
};

void PrintTo(const Ending& ending, std::ostream* out) {
    *out << ending.length.count() << " ms";
}

// Lengths with and without a partial last second: each ends cleanly, resting at the start with "Play".
class FileEnd : public Transport, public testing::WithParamInterface<Ending> { };

TEST_P(FileEnd, ReturnsToTheStartWithPlayOnceTheSoundHasEndedAndKeepsTicking) {
    openFileOf(GetParam().length);
    harness.commands().clear();
    const auto tickBeforeTheEnd = GetParam().tickThatFindsTheEnd - 1s;
    harness.pass(tickBeforeTheEnd - 500ms);

    // In a partial last second this tick finds the slider at its end while sound still plays.
    EXPECT_EQ(
        state(), (State { static_cast<int>(tickBeforeTheEnd / 1s), "Pause", true, true, tickBeforeTheEnd.count() }));
    EXPECT_EQ(window.H->Max(), 3);

    harness.pass(1100ms);
    EXPECT_EQ(state(), (State { 0, "Play", true, false, 0 }));
    EXPECT_EQ(window.Label4->text(), " 0 : 0 : 3");

    harness.pass(3s);
    EXPECT_EQ(state(), (State { 0, "Play", true, false, 0 }));
    EXPECT_EQ(window.Label4->text(), " 0 : 0 : 0");
    EXPECT_EQ(std::ranges::count(harness.commands(), "play movie"), 0) << "the end does not start the file again";
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, FileEnd, testing::Values(Ending { 3000ms, 3000ms }, Ending { 3504ms, 4000ms }, Ending { 3992ms, 4000ms }));

TEST_F(Transport, PlayTakesRangeAndScaleFromTheLengthAgainExceptThatUnderOneSecondKeepsTheScale) {
    window.markScale = 77;
    openFileOf(600ms);
    EXPECT_EQ(window.H->Max(), 0);
    harness.pass(500ms);
    EXPECT_EQ(window.Command1->text(), "Play") << "the first tick finds the end";

    harness.click(window.Command1);

    EXPECT_EQ(state(), (State { 0, "Play", true, true, 500 }));
    EXPECT_EQ(window.markScale, 77);
    harness.pass(1s);
    EXPECT_FALSE(harness.devicePlaying());
    EXPECT_EQ(harness.devicePositionMs(), 0);

    openFileOf(20s);
    harness.click(window.Command1);
    window.H->setMax(50);
    window.markScale = 5;
    harness.click(window.Command1);
    EXPECT_EQ(window.H->Max(), 20);
    EXPECT_EQ(window.markScale, 461);
}

TEST_F(Transport, ATickAsksForThePositionAndAtTheEndWhetherItStillPlays) {
    openFileOf(3000ms);
    harness.commands().clear();

    harness.pass(2500ms); // ticks at 1, 2 and 3 seconds, the last at the end

    EXPECT_EQ(harness.commands(),
        (std::vector<std::string> { "set movie time format ms", "status movie position wait",
            "set movie time format ms", "status movie position wait", "set movie time format ms",
            "status movie position wait", "status movie mode", "status movie mode", "status movie mode",
            "seek movie to 0" }));
}

} // namespace
