#include "app/form1.h"
#include "platform/program_end.h"
#include "support/window_fakes.h"

#include <QTimer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
