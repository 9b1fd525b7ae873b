#include "support/workflow_harness.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using test_support::WorkflowHarness;

// What the window shows of a file and its selection.
QString shown(Form1& window) {
    return QStringLiteral("%1 %2 %3/%4 [%5|%6|%7] %8 %9 scale %10 marks %11 %12")
        .arg(window.Command1->text(), window.T->Enabled() ? "ticking" : "still")
        .arg(window.H->Value())
        .arg(window.H->Max())
        .arg(window.Label7->text(), window.Label9->text(), window.Label3->text())
        .arg(window.Line1->X1())
        .arg(window.Line2->X1())
        .arg(window.markScale)
        .arg(window.markStart)
        .arg(window.markEnd);
}

void leaveASelection(Form1& window) {
    window.markStart = 4000;
    window.markEnd = 9000;
    window.markScale = 77;
    for (QLabel* label : { window.Label7, window.Label9, window.Label3 }) {
        label->setText(" 0 : 0 : 4");
    }
    window.Line1->setX1(478);
    window.Line2->setX1(863);
}

TEST(Open, PlaysTheChosenFileFromItsStartWithItsRangeAndScaleAndTheSelectionCleared) {
    for (const auto& [length, expected] : { std::pair { 215000ms,
                                                "Pause ticking 0/215 [0 : 0 : 0|0 : 0 : 0|0 : 0 : 0] "
                                                "170 9400 scale 42 marks 0 0" },
             { 3500ms, "Pause ticking 0/3 [0 : 0 : 0|0 : 0 : 0|0 : 0 : 0] 170 9400 scale 3076 marks 0 0" },
             { 9231000ms, "Pause ticking 0/9231 [0 : 0 : 0|0 : 0 : 0|0 : 0 : 0] 170 9400 scale 0 marks 0 0" } }) {
        SCOPED_TRACE(length.count());
        WorkflowHarness harness;
        Form1& window = harness.window();
        harness.open(harness.silentMp3("old.mp3", 30s));
        harness.pass(6500ms);
        leaveASelection(window);
        const auto file = harness.silentMp3("a tune.mp3", length);
        harness.commands.clear();

        harness.open(file);

        EXPECT_EQ(shown(window), expected);
        EXPECT_EQ(window.sourceFile, QString::fromStdString(file.string()));
        EXPECT_TRUE(window.Cdlg->FileName.isEmpty());
        EXPECT_EQ(harness.commands.at(3),
            "open \"" + file.string() + "\" type mpegvideo alias movie parent "
                + std::to_string(window.P->effectiveWinId()) + " style child ");
        EXPECT_EQ(harness.devicePositionMs(), 500);
        harness.pass(1s);
        EXPECT_EQ(window.Label4->text(), " 0 : 0 : 1");
        EXPECT_TRUE(harness.messages.empty());
    }
}

TEST(Open, OffersMp3FilesThenAllFilesUnderItsOwnTitleAndCancelOnlyPauses) {
    WorkflowHarness harness;
    Form1& window = harness.window();
    harness.click(window.Command4);
    EXPECT_EQ(harness.commands, std::vector<std::string> { "pause movie" });
    const auto file = harness.silentMp3("kept.mp3", 30s);
    harness.open(file);
    harness.pass(2500ms);
    leaveASelection(window);
    const QString before = shown(window);
    window.Cdlg->FileName = "left by a save.mp3";
    window.Cdlg->DialogTitle = "Save";

    harness.click(window.Command4);
    harness.pass(3s);

    EXPECT_EQ(shown(window), QString(before).replace("Pause ticking", "Play still"));
    EXPECT_EQ(window.sourceFile, QString::fromStdString(file.string()));
    EXPECT_FALSE(harness.devicePlaying());
    EXPECT_EQ(harness.devicePositionMs(), 3000);
    const auto& request = harness.fileRequests.at(2);
    EXPECT_EQ(request.title + "|" + request.fileName, "Open|left by a save.mp3");
    EXPECT_EQ(request.filters,
        (std::vector<platform::FileFilter> { { "MP3 Files (*.mp3)", { "*.mp3" } }, { "All Files (*.*)", { "*.*" } } }));
}

TEST(Open, AnUnplayableFileIsReportedByNameAndLeavesTheTransportReadyWithNothingOpen) {
    for (const std::string name : { "noise.mp3", "missing.mp3" }) {
        SCOPED_TRACE(name);
        WorkflowHarness harness;
        Form1& window = harness.window();
        harness.open(harness.silentMp3("playable.mp3", 30s));
        harness.pass(4s);
        if (name == "noise.mp3") {
            ASSERT_TRUE(test_support::writeFile(harness.folder() + "/noise.mp3", QByteArray(9000, 'x')));
        }

        harness.open(harness.folder().toStdString() + "/" + name);
        harness.pass(3s);

        ASSERT_EQ(harness.messages.size(), 1U);
        EXPECT_EQ(harness.messages[0].text,
            QString::fromStdString(
                "Cannot play " + name + ": the file is missing or is not an MP3 file that Tuneshear can play."));
        EXPECT_TRUE(window.sourceFile.isEmpty());
        EXPECT_EQ(window.Command1->text() + window.Label4->text(), "Play 0 : 0 : 4");
        EXPECT_FALSE(window.T->Enabled());
        EXPECT_EQ(harness.askService("status movie mode"), std::nullopt);
        EXPECT_TRUE(harness.commands.back().starts_with("open ")) << "nothing is sent after the failed open";
    }
}

} // namespace
