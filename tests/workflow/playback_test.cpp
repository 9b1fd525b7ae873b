#include "support/workflow_harness.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using test_support::WorkflowHarness;

// Thumb, button, ticking, sound, position in ms: the transport as the user sees and hears it.
std::string stateOf(WorkflowHarness& harness) {
    const Form1& window = harness.window();
    return std::to_string(window.H->Value()) + " " + window.Command1->text().toStdString()
        + (window.T->Enabled() ? " ticking " : " still ") + (harness.devicePlaying() ? "playing " : "silent ")
        + std::to_string(harness.devicePositionMs());
}

// A file playing since Open. The time of day starts on a whole second, so Open's wait ends at position 500 and T
// ticks on every whole second from then on.
class Transport : public testing::Test {
protected:
    void openFileOf(std::chrono::milliseconds length) { harness.open(harness.silentMp3("tune.mp3", length)); }
    std::string state() { return stateOf(harness); }

    WorkflowHarness harness;
    Form1& window = harness.window();
};

TEST_F(Transport, PauseResumeStopAndTheSliderMoveWhereThePlayingGoesOn) {
    openFileOf(20s);
    harness.pass(1200ms);
    harness.click(window.Command1);
    EXPECT_EQ(state(), "1 Play still silent 1700");
    harness.pass(5s);
    harness.clickSliderAt(9);
    EXPECT_EQ(state(), "9 Play still silent 9000") << "a paused file waits where the slider puts it";
    window.H->setMax(50);
    window.markScale = 5;
    harness.click(window.Command1);
    EXPECT_EQ(state(), "9 Pause ticking playing 9500");
    EXPECT_EQ(window.H->Max() * 10000 + window.markScale, 200461) << "Play takes range and scale from the length";
    harness.pass(1s);
    EXPECT_EQ(state(), "10 Pause ticking playing 10500");
    EXPECT_EQ(window.Label4->text(), " 0 : 0 : 10");

    window.markStart = 1000;
    harness.click(window.Command2);
    EXPECT_EQ(state(), "0 Play still silent 0");
    EXPECT_EQ(window.Label4->text(), "0 : 0 : 0");
    EXPECT_EQ(window.markStart, 1000);
    harness.click(window.Command1);
    EXPECT_EQ(harness.devicePositionMs(), 500);
}

TEST_F(Transport, NoTickMovesTheHeldThumbAndTheReleasePlaysOnFromIt) {
    openFileOf(215s);
    harness.pass(1500ms);
    harness.pressSlider();
    window.H->setValue(183);
    harness.pass(3s);
    EXPECT_EQ(state(), "183 Pause still playing 5000");
    harness.releaseSlider();
    EXPECT_EQ(state(), "183 Pause ticking playing 183000");
    harness.pass(1s);
    EXPECT_EQ(window.Label4->text(), " 0 : 3 : 4");
}

// With and without a partial last second, the end comes once the sound has ended: the thumb goes back to the
// start with "Play", the file is not started again, and the tick goes on showing 0.
TEST(FileEnd, ReturnsToTheStartWithPlayOnceTheSoundHasEnded) {
    for (const auto& [length, lastTickBeforeTheEnd] : { std::pair { 3000ms, 2000ms }, { 3504ms, 3000ms } }) {
        SCOPED_TRACE(length.count());
        WorkflowHarness harness;
        harness.open(harness.silentMp3("tune.mp3", length));
        harness.commands.clear();
        harness.pass(lastTickBeforeTheEnd - 500ms);
        EXPECT_EQ(stateOf(harness),
            std::to_string(lastTickBeforeTheEnd / 1s) + " Pause ticking playing "
                + std::to_string(lastTickBeforeTheEnd.count()));
        harness.pass(1100ms);
        EXPECT_EQ(stateOf(harness), "0 Play ticking silent 0");
        EXPECT_EQ(harness.window().Label4->text(), " 0 : 0 : 3");
        harness.pass(2s);
        EXPECT_EQ(harness.window().Label4->text(), " 0 : 0 : 0");
        EXPECT_EQ(std::ranges::count(harness.commands, "play movie"), 0);
    }
}

TEST_F(Transport, AFileUnderOneSecondPlaysWithPlayOnTheButtonAndKeepsTheScale) {
    window.markScale = 77;
    openFileOf(600ms);
    harness.pass(500ms);
    harness.click(window.Command1);
    EXPECT_EQ(state(), "0 Play ticking playing 500");
    EXPECT_EQ(window.markScale, 77);
}

} // namespace
