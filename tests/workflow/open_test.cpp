#include "support/mp3_fixtures.h"
#include "support/workflow_harness.h"

#include <QFile>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace std::chrono_literals;
using test_support::WorkflowHarness;

QString qPath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// What the window shows of the selection and the transport, as the user sees it.
struct Shown {
    std::string playButton;
    bool ticking;
    int thumb;
    int sliderMax;
    std::vector<std::string> selectionClocks;
    std::vector<int> lineXs;

    bool operator==(const Shown&) const = default;
};

Shown shown(Form1& window) {
    return { window.Command1->text().toStdString(), window.T->Enabled(), window.H->Value(), window.H->Max(),
        { window.Label7->text().toStdString(), window.Label9->text().toStdString(),
            window.Label3->text().toStdString() },
        { window.Line1->X1(), window.Line1->X2(), window.Line2->X1(), window.Line2->X2() } };
}

// A window that has been used: a selection made, its lines moved, another scale in use.
void leaveASelection(Form1& window) {
    window.markStart = 4000;
    window.markEnd = 9000;
    window.markScale = 77;
    window.Label7->setText(" 0 : 0 : 4");
    window.Label9->setText(" 0 : 0 : 9");
    window.Label3->setText(" 0 : 0 : 5");
    window.Line1->setX1(478);
    window.Line1->setX2(478);
    window.Line2->setX1(863);
    window.Line2->setX2(863);
}

struct LengthCase {
    std::chrono::milliseconds length;
    int sliderMax;
    int32_t markScale;
};

void PrintTo(const LengthCase& lengthCase, std::ostream* out) {
    *out << lengthCase.length.count() << " ms";
}

class OpenLength : public testing::TestWithParam<LengthCase> { };

TEST_P(OpenLength, ClosesThePlayingFileAndPlaysTheNewOneFromItsStartWithItsRangeAndTheSelectionCleared) {
    WorkflowHarness harness;
    Form1& window = harness.window();
    harness.open(harness.silentMp3("old.mp3", 30s));
    harness.pass(6500ms); // the time of day is on a whole second, so Open's wait takes half a second
    leaveASelection(window);
    const auto file = harness.silentMp3("a tune.mp3", GetParam().length);

    harness.open(file);

    EXPECT_EQ(shown(window),
        (Shown { "Pause", true, 0, GetParam().sliderMax, { "0 : 0 : 0", "0 : 0 : 0", "0 : 0 : 0" },
            { 170, 170, 9400, 9400 } }));
    EXPECT_EQ(window.markScale, GetParam().markScale);
    EXPECT_EQ(window.markStart, 0);
    EXPECT_EQ(window.markEnd, 0);
    EXPECT_EQ(window.sourceFile, qPath(file));
    EXPECT_TRUE(window.Cdlg->FileName.isEmpty());
    EXPECT_TRUE(harness.devicePlaying());
    EXPECT_EQ(harness.devicePositionMs(), 500);
    EXPECT_TRUE(harness.fakes().messages.empty());
    harness.pass(1s);
    EXPECT_EQ(window.H->Value(), 1);
    EXPECT_EQ(window.Label4->text(), " 0 : 0 : 1");
}

INSTANTIATE_TEST_SUITE_P(Lengths, OpenLength,
    testing::Values(
        LengthCase { 215000ms, 215, 42 }, LengthCase { 9231000ms, 9231, 0 }, LengthCase { 3500ms, 3, 3076 }));

TEST(Open, OffersMp3FilesFirstThenAllFilesUnderItsOwnTitleStartingFromTheNameTheLastDialogLeft) {
    WorkflowHarness harness;
    harness.open(harness.silentMp3("first.mp3", 5s));
    harness.cancelNextDialog();
    harness.click(harness.window().Command4);
    harness.window().Cdlg->FileName = "left by a save.mp3";
    harness.window().Cdlg->DialogTitle = "Save";
    harness.open(harness.silentMp3("second.mp3", 5s));

    const auto& requests = harness.fakes().fileRequests;
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].kind, platform::FileDialogKind::Open);
    EXPECT_EQ(requests[0].filters,
        (std::vector<platform::FileFilter> { { "MP3 Files (*.mp3)", { "*.mp3" } }, { "All Files (*.*)", { "*.*" } } }));
    EXPECT_TRUE(requests[1].fileName.isEmpty()) << "a successful open clears the name";
    EXPECT_EQ(requests[2].fileName, "left by a save.mp3");
    EXPECT_EQ(requests[2].title, "Open");
}

TEST(Open, SendsThePathUnquotedByTheWindowAndOpensItAsAChildOfTheHiddenFrame) {
    WorkflowHarness harness;
    const auto file = harness.silentMp3("with blanks.mp3", 2s);

    harness.open(file);

    const std::string parent = std::to_string(harness.window().P->effectiveWinId());
    EXPECT_EQ(harness.commands(),
        (std::vector<std::string> { "pause movie", "close all", "close movie",
            "open \"" + file.string() + "\" type mpegvideo alias movie parent " + parent + " style child ",
            "play movie", "set movie time format ms", "status movie length" }));
    EXPECT_EQ(harness.window().sourceFile, qPath(file));
}

TEST(Open, CancelOnlyPausesAndLeavesTheWindowAndThePlayingFileAsTheyWere) {
    WorkflowHarness harness;
    Form1& window = harness.window();
    const Shown firstUse = shown(window);
    harness.cancelNextDialog();
    harness.click(window.Command4);
    EXPECT_EQ(shown(window), firstUse);
    EXPECT_EQ(harness.commands(), std::vector<std::string> { "pause movie" });
    EXPECT_TRUE(window.sourceFile.isEmpty());
    EXPECT_EQ(window.markScale, 0);

    const auto file = harness.silentMp3("kept.mp3", 30s);
    harness.open(file);
    harness.pass(2500ms);
    leaveASelection(window);
    Shown expected = shown(window);
    harness.cancelNextDialog();
    harness.click(window.Command4);
    harness.pass(3s);

    expected.playButton = "Play";
    expected.ticking = false;
    EXPECT_EQ(shown(window), expected);
    EXPECT_EQ(window.sourceFile, qPath(file));
    EXPECT_EQ(window.markStart, 4000);
    EXPECT_EQ(window.markScale, 77);
    EXPECT_FALSE(harness.devicePlaying());
    EXPECT_EQ(harness.devicePositionMs(), 3000);
}

TEST(Open, AnUnplayableFileIsReportedByNameAndLeavesTheTransportReadyWithNothingOpen) {
    for (const std::string name : { "noise.mp3", "missing.mp3" }) {
        SCOPED_TRACE(name);
        WorkflowHarness harness;
        Form1& window = harness.window();
        harness.open(harness.silentMp3("playable.mp3", 30s));
        harness.pass(4s);
        const auto unplayable = harness.folder() / name;
        if (name == "noise.mp3") {
            std::mt19937 random(4);
            QByteArray noise(64 * 1024, '\0');
            std::ranges::generate(noise, [&] { return static_cast<char>(random()); });
            QFile file(qPath(unplayable));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(noise) == noise.size());
        }

        leaveASelection(window);
        harness.open(unplayable);
        for (QPushButton* const button : { window.Command1, window.Command2, window.Command5, window.Command6 }) {
            harness.click(button);
        }
        window.T->setEnabled(true); // as a release of the slider does when the last reply read "playing"
        harness.pass(3s);
        window.T->setEnabled(false);

        ASSERT_EQ(harness.fakes().messages.size(), 1u);
        const auto& message = harness.fakes().messages[0];
        EXPECT_TRUE(message.text.contains(QString::fromStdString(name))) << message.text.toStdString();
        EXPECT_TRUE(message.text.contains(QStringLiteral("cannot play"), Qt::CaseInsensitive))
            << message.text.toStdString();
        EXPECT_EQ(message.buttons, platform::MessageButtons::Ok);
        EXPECT_EQ(shown(window), (Shown { "Play", false, 0, 10, { "", "", "" }, { 210, 210, 9345, 9345 } }));
        EXPECT_EQ(std::tuple(window.markStart, window.markEnd, window.markScale, window.Label4->text()),
            std::tuple(0, 0, 0, QString()));
        EXPECT_TRUE(window.sourceFile.isEmpty());
        EXPECT_TRUE(window.Cdlg->FileName.isEmpty());
        EXPECT_EQ(harness.askService("status movie mode"), std::nullopt);
        EXPECT_EQ(harness.commands().back().rfind("open ", 0), 0u) << "nothing is sent after the failed open";
    }
}

} // namespace
