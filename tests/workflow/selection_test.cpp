#include "support/workflow_harness.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using test_support::WorkflowHarness;

class Selection : public testing::Test {
protected:
    void openSilentMp3(std::chrono::milliseconds duration) { harness.open(harness.silentMp3("song.mp3", duration)); }

    void markAt(QPushButton* button, std::chrono::milliseconds position) {
        harness.pass(position - std::chrono::milliseconds(harness.devicePositionMs()));
        ASSERT_EQ(harness.devicePositionMs(), position.count());
        harness.click(button);
    }

    WorkflowHarness harness;
    Form1& window = harness.window();
};

TEST_F(Selection, MarksShowTheirWholeSecondsTheLengthAsTheirDifferenceAndLinesOverTheSlider) {
    openSilentMp3(200s);
    markAt(window.Command5, 1900ms);
    markAt(window.Command6, 3100ms);
    EXPECT_EQ(window.markStart * 10000 + window.markEnd, 1900 * 10000 + 3100);
    EXPECT_EQ(window.Label7->text() + window.Label9->text() + window.Label3->text(), " 0 : 0 : 1 0 : 0 : 3 0 : 0 : 2");

    harness.clickSliderAt(100);
    harness.click(window.Command5);
    harness.clickSliderAt(200);
    harness.click(window.Command6);
    EXPECT_EQ((std::vector { window.Line1->X1(), window.Line1->X2(), window.Line2->X1(), window.Line2->X2() }),
        (std::vector { 4770, 4770, 9530, 9530 }));
}

TEST_F(Selection, NoSelectionOrMarksInReverseOrderShowNoLengthAndCannotBePlayed) {
    openSilentMp3(10s);
    const auto playSelectedIsRefused = [&] {
        const auto sent = harness.commands.size();
        harness.click(window.Command9);
        EXPECT_EQ(harness.commands.size(), sent);
        EXPECT_EQ(harness.messages.back().text, "Wrong Selection");
    };
    playSelectedIsRefused();
    markAt(window.Command6, 2000ms);
    markAt(window.Command5, 2000ms);
    EXPECT_EQ(window.Label3->text(), "0 : 0 : 0");
    playSelectedIsRefused();
    EXPECT_EQ(harness.messages.size(), 2U);
    EXPECT_EQ(window.Command1->text(), "Pause");
    EXPECT_TRUE(harness.devicePlaying());
}

TEST_F(Selection, PreviewPlaysFromTheStartMarkAndPausesAtTheEndMark) {
    openSilentMp3(10s);
    markAt(window.Command5, 1000ms);
    markAt(window.Command6, 3000ms);
    harness.pass(3s);
    std::vector<int64_t> positions;
    QStringList shown;
    harness.duringWait = [&] {
        positions.push_back(harness.devicePositionMs());
        shown << window.Command1->text() + window.Label4->text();
    };

    harness.click(window.Command9);

    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.front(), 1000);
    EXPECT_TRUE(std::ranges::is_sorted(positions));
    EXPECT_LT(positions.back(), 3000);
    EXPECT_EQ(shown.front(), "Pause 0 : 0 : 6");
    EXPECT_EQ(shown.back(), "Pause 0 : 0 : 2") << "the clock follows the slider the tick moves";
    EXPECT_EQ(harness.sleeps, std::vector(positions.size(), 200ms));
    EXPECT_FALSE(harness.devicePlaying());
    EXPECT_GE(harness.devicePositionMs(), 3000);
    EXPECT_LT(harness.devicePositionMs(), 3200);
    EXPECT_EQ(window.Command1->text(), "Play");
    EXPECT_TRUE(window.T->Enabled());
}

TEST_F(Selection, MarkEndDuringThePreviewEndsItAtTheNextPass) {
    openSilentMp3(10s);
    markAt(window.Command5, 1000ms);
    markAt(window.Command6, 8000ms);
    harness.duringWait = [&] {
        if (window.markEnd == 8000 && harness.devicePositionMs() >= 2000) {
            harness.click(window.Command6);
        }
    };
    harness.click(window.Command9);
    EXPECT_EQ(window.markEnd, 2000);
    EXPECT_FALSE(harness.devicePlaying());
    EXPECT_LE(harness.devicePositionMs(), 2200);
}

} // namespace
