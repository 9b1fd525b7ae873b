#include "app/form1.h"
#include "platform/event_pump.h"
#include "platform/program_end.h"
#include "support/mp3_fixtures.h"
#include "support/window_fakes.h"

#include <QDir>
#include <QTimer>
#include <csignal>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Whatever the media service answers (success, or "device not open"), before any file or after use.
TEST(ShutDown, ClosesAllThroughTheSameMediaObjectAndEndsWithoutAMessage) {
    for (const uint32_t answer : { 0u, 263u }) {
        for (const bool used : { false, true }) {
            SCOPED_TRACE(testing::Message() << "answer " << answer << (used ? ", after use" : ", before any file"));
            test_support::WindowFakes fakes;
            fakes.answerMedia = [answer](const std::string&, std::string&) { return answer; };
            Form1 window(fakes.services());
            window.show();
            MovieModule* const before = &window.movie();
            if (used) {
                before->playMovie();
            }

            window.close();

            EXPECT_EQ(&window.movie(), before);
            const std::vector<std::string> expected = used ? std::vector<std::string> { "play movie", "close all" }
                                                           : std::vector<std::string> { "close all" };
            EXPECT_EQ(fakes.mediaCommands, expected);
            EXPECT_EQ(fakes.programEnds, 1);
            EXPECT_TRUE(fakes.messages.empty());
        }
    }
}

TEST(ShutDown, ClosingDuringAMediaWaitEndsTheProgramThere) {
    test_support::WindowFakes fakes;
    Form1 window(fakes.services());
    window.show();
    fakes.duringWait = [&] { QTimer::singleShot(0, &window, &QWidget::close); };

    window.movie().timeOut(3);

    EXPECT_EQ(fakes.programEnds, 1);
    EXPECT_EQ(fakes.mediaCommands, std::vector<std::string> { "close all" });
}

// The real ending, in a fresh process: the waiting handler never goes on, registered clean-ups run, and the
// process ends with code 0.
TEST(ShutDownDeathTest, RealEndStopsTheWaitingHandlerAndRunsCleanups) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto closeDuringWait = [] {
        test_support::WindowFakes fakes;
        WindowServices services = fakes.services();
        services.endProgram = [] { platform::endProgramNow(); };
        Form1 window(std::move(services));
        window.show();
        const platform::CleanupAtProgramEnd cleanup([] { std::fputs("[cleanup ran]", stderr); });
        fakes.duringWait = [&] { QTimer::singleShot(0, &window, &QWidget::close); };
        window.movie().timeOut(3);
        std::fputs("[handler resumed]", stderr);
        std::exit(3);
    };

    EXPECT_EXIT(closeDuringWait(), testing::ExitedWithCode(0),
        testing::AllOf(testing::HasSubstr("[cleanup ran]"), testing::Not(testing::HasSubstr("[handler resumed]"))));
}

// SIGTERM in the middle of a save, to a program that opened its file through the real media service and the
// default output: it ends as closing the window does, and the unfinished clip goes with it. The test runs again in
// the child, so the folder is named after the checking process.
TEST(ShutDownDeathTest, TerminationSignalDuringASaveEndsTheProgramWithoutAClipLeft) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto folderOf
        = [](pid_t checker) { return QDir::tempPath() + "/tuneshear-signal-" + QString::number(checker); };
    const auto saveUntilSignalled = [&] {
        const QString folder = folderOf(::getppid());
        QDir().mkpath(folder);
        const auto song = test_support::writeSilentMp3(folder.toStdString() + "/song.mp3", std::chrono::minutes(2));
        test_support::WindowFakes fakes;
        WindowServices services = fakes.services();
        services.movieHooks = MovieModuleHooks::platformDefaults();
        services.endProgram = [] { platform::endProgramNow(); };
        services.processPendingEvents = [chunks = 0]() mutable {
            if (++chunks == 2) {
                ::kill(::getpid(), SIGTERM);
            }
            platform::processPendingEvents();
        };
        Form1 window(std::move(services));
        platform::handleTerminationSignals([&window] { window.close(); });
        window.openGivenFile(QString::fromStdString(song.string()));
        window.markEnd = 100000;
        fakes.fileChoices.push_back(platform::FileChoice { folder + "/clip.mp3" });
        window.Command7->click();
        std::exit(3);
    };

    EXPECT_EXIT(saveUntilSignalled(), testing::ExitedWithCode(0), testing::_);
    QDir folder(folderOf(::getpid()));
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), QStringList { "song.mp3" });
    folder.removeRecursively();
}

TEST(ProgramEndCleanup, RunsNewestFirstAndOnlyWhileRegistered) {
    std::vector<int> order;
    {
        const platform::CleanupAtProgramEnd gone([&] { order.push_back(0); });
    }
    const platform::CleanupAtProgramEnd first([&] { order.push_back(1); });
    const platform::CleanupAtProgramEnd second([&] { order.push_back(2); });

    platform::runProgramEndCleanups();
    platform::runProgramEndCleanups();

    EXPECT_EQ(order, (std::vector<int> { 2, 1 }));
}

} // namespace
