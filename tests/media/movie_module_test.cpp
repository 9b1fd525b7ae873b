#include "media/movie_module.h"

#include <cstring>
#include <deque>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

// Records every command text and answers queries from a script. A scripted reply of nullopt writes nothing,
// as a failed query does.
struct ScriptedService {
    struct Answer {
        uint32_t code = 0;
        std::optional<std::string> reply;
    };

    std::vector<std::string> commands;
    std::deque<Answer> queryAnswers;
    uint32_t plainCode = 0;

    MovieModuleHooks hooks() {
        MovieModuleHooks hooks;
        hooks.send = [this](const char* command, char* reply, uint32_t replyLength, void* callbackWindow) {
            EXPECT_EQ(callbackWindow, nullptr);
            commands.emplace_back(command);
            if (reply == nullptr) {
                EXPECT_EQ(replyLength, 0u);
                return plainCode;
            }
            EXPECT_EQ(replyLength, 128u);
            if (queryAnswers.empty()) {
                return 0u;
            }
            const Answer answer = queryAnswers.front();
            queryAnswers.pop_front();
            if (answer.reply) {
                std::memcpy(reply, answer.reply->c_str(), answer.reply->size() + 1);
            }
            return answer.code;
        };
        hooks.secondsSinceMidnight = [] { return 0.0; };
        hooks.processEventsFor = [](std::chrono::milliseconds) { FAIL() << "no wait expected"; };
        return hooks;
    }
};

// A reply area as the service leaves it: the reply, its NUL, then older text.
std::string replyOverOlderText(const std::string& reply, const std::string& older) {
    std::string area = reply;
    area += '\0';
    area += older;
    return area;
}

TEST(MovieModuleCommands, OpenWithParentQuotesThePathAndEndsInABlank) {
    ScriptedService service;
    MovieModule movie(service.hooks());
    movie.Filename = "/home/ann/clips/a b.mp3";
    movie.openMovieWindow(1234, "child");

    EXPECT_EQ(service.commands,
        (std::vector<std::string> {
            "close movie", "open \"/home/ann/clips/a b.mp3\" type mpegvideo alias movie parent 1234 style child " }));
    EXPECT_EQ(movie.Filename, "\"/home/ann/clips/a b.mp3\"");
}

TEST(MovieModuleCommands, SecondOpenWithoutNewNameQuotesTwice) {
    ScriptedService service;
    MovieModule movie(service.hooks());
    movie.Filename = "x.mp3";
    movie.openMovieWindow(7, "child");
    movie.openMovieWindow(7, "child");

    EXPECT_EQ(service.commands.back(), "open \"\"x.mp3\"\" type mpegvideo alias movie parent 7 style child ");
}

TEST(MovieModuleCommands, PlainOpenEndsWithTheAlias) {
    ScriptedService service;
    MovieModule movie(service.hooks());
    movie.Filename = "x.mp3";
    movie.openMovie();

    EXPECT_EQ(
        service.commands, (std::vector<std::string> { "close movie", "open \"x.mp3\" type mpegvideo alias movie" }));
}

TEST(MovieModuleCommands, OpenKeepsTheCodeOfTheOpenNotOfTheClose) {
    ScriptedService service;
    service.plainCode = 263;
    MovieModule movie(service.hooks());
    movie.Filename = "x.mp3";
    movie.openMovie();
    EXPECT_EQ(movie.Error, 263);

    service.plainCode = 0;
    movie.openMovie();
    EXPECT_EQ(movie.Error, 0);
}

TEST(MovieModuleCommands, TransportSendsOneCommandEach) {
    ScriptedService service;
    MovieModule movie(service.hooks());
    movie.playMovie();
    movie.pauseMovie();
    movie.resumeMovie();
    movie.stopMovie();
    movie.closeMovie();

    EXPECT_EQ(service.commands,
        (std::vector<std::string> { "play movie", "pause movie", "resume movie", "stop movie", "close all" }));
}

TEST(MovieModuleCommands, PositioningWhilePlayingPlaysFromThePosition) {
    ScriptedService service;
    service.queryAnswers = { { 0, "playing" } };
    MovieModule movie(service.hooks());
    movie.setPositionTo(5000);

    EXPECT_EQ(service.commands, (std::vector<std::string> { "status movie mode", "play movie from 5000" }));
}

TEST(MovieModuleCommands, PositioningWhileNotPlayingAsksTwiceThenSeeks) {
    for (const std::string mode : { "paused", "stopped" }) {
        ScriptedService service;
        service.queryAnswers = { { 0, mode }, { 0, mode } };
        MovieModule movie(service.hooks());
        movie.setPositionTo(5000);

        EXPECT_EQ(service.commands,
            (std::vector<std::string> { "status movie mode", "status movie mode", "seek movie to 5000" }))
            << mode;
    }
}

TEST(MovieModuleCommands, PositioningSendsNothingWhenPlaybackStartsBetweenTheTwoQuestions) {
    ScriptedService service;
    service.queryAnswers = { { 0, "stopped" }, { 0, "playing" } };
    MovieModule movie(service.hooks());
    movie.setPositionTo(5000);

    EXPECT_EQ(service.commands, (std::vector<std::string> { "status movie mode", "status movie mode" }));
}

TEST(MovieModuleCommands, NegativePositionIsWrittenWithAMinusSign) {
    ScriptedService service;
    service.queryAnswers = { { 0, "stopped" }, { 0, "stopped" } };
    MovieModule movie(service.hooks());
    movie.setPositionTo(-250);

    EXPECT_EQ(service.commands.back(), "seek movie to -250");
}

TEST(MovieModuleCommands, QueriesSetTheTimeFormatFirst) {
    ScriptedService service;
    service.queryAnswers = { { 0, "215000" }, { 0, "999" } };
    MovieModule movie(service.hooks());

    EXPECT_EQ(movie.getLengthInSec(), 215);
    EXPECT_EQ(movie.getPositionInSec(), 0);
    EXPECT_EQ(service.commands,
        (std::vector<std::string> { "set movie time format ms", "status movie length", "set movie time format ms",
            "status movie position wait" }));
}

TEST(MovieModuleReplies, LengthAndPositionInMillisecondsAndSeconds) {
    ScriptedService service;
    service.queryAnswers = { { 0, "215000" }, { 0, "215000" }, { 0, "1999" }, { 0, "999" } };
    MovieModule movie(service.hooks());

    EXPECT_EQ(movie.getLengthInMS(), 215000);
    EXPECT_EQ(movie.getLengthInSec(), 215);
    EXPECT_EQ(movie.getPositionInSec(), 1);
    EXPECT_EQ(movie.getPositionInSec(), 0);
}

TEST(MovieModuleReplies, FailedQueryReadsTheEarlierReplyAgain) {
    ScriptedService service;
    service.queryAnswers = { { 0, "215000" }, { 263, std::nullopt } };
    MovieModule movie(service.hooks());

    EXPECT_EQ(movie.getLengthInMS(), 215000);
    EXPECT_EQ(movie.Error, 0);
    EXPECT_EQ(movie.getLengthInMS(), 215000);
    EXPECT_EQ(movie.Error, 263);
}

TEST(MovieModuleReplies, FailedFirstQueryReadsZero) {
    ScriptedService service;
    service.queryAnswers = { { 263, std::nullopt }, { 263, std::nullopt } };
    MovieModule movie(service.hooks());

    EXPECT_EQ(movie.getPositionInMS(), 0);
    EXPECT_FALSE(movie.isMoviePlaying());
}

TEST(MovieModuleReplies, OlderTextAfterTheReplyIsIgnored) {
    ScriptedService service;
    service.queryAnswers = { { 0, "9876543" }, { 0, replyOverOlderText("12", "76543") } };
    MovieModule movie(service.hooks());

    EXPECT_EQ(movie.getPositionInMS(), 9876543);
    EXPECT_EQ(movie.getPositionInMS(), 12);
}

TEST(MovieModuleReplies, ModeIsPlayingOnlyForTheExactLowerCaseWord) {
    const std::vector<std::pair<std::string, bool>> cases = {
        { "playing", true },
        { "playing and more", true },
        { "paused", false },
        { "stopped", false },
        { "Playing", false },
        { "play", false },
    };
    for (const auto& [reply, playing] : cases) {
        ScriptedService service;
        service.queryAnswers = { { 0, reply } };
        MovieModule movie(service.hooks());
        EXPECT_EQ(movie.isMoviePlaying(), playing) << reply;
    }
}

TEST(MovieModuleReplies, FailedModeQueryKeepsAnEarlierPlayingReply) {
    ScriptedService service;
    service.queryAnswers = { { 0, "playing" }, { 263, std::nullopt } };
    MovieModule movie(service.hooks());

    EXPECT_TRUE(movie.isMoviePlaying());
    EXPECT_TRUE(movie.isMoviePlaying());
    EXPECT_EQ(movie.Error, 263);
}

TEST(ReplyNumber, ReadsTheLeadingNumberWithHalvesToEven) {
    const std::vector<std::pair<std::string, int32_t>> cases = {
        { "0", 0 },
        { "215000", 215000 },
        { "   42", 42 },
        { "-17", -17 },
        { "+8", 8 },
        { "16.5", 16 },
        { "17.5", 18 },
        { "-2.5", -2 },
        { "2.51", 3 },
        { "1.5e3", 1500 },
        { "2e", 2 },
        { "12abc", 12 },
        { "12 34", 12 },
        { "", 0 },
        { "playing", 0 },
        { "-", 0 },
        { ".5", 0 },
        { "1.5", 2 },
        { "99999999999", 2147483647 },
        { "-99999999999", -2147483647 - 1 },
    };
    for (const auto& [text, expected] : cases) {
        std::array<char, 128> area {};
        std::memcpy(area.data(), text.c_str(), text.size());
        EXPECT_EQ(readReplyNumber(area.data(), area.size()), expected) << '"' << text << '"';
    }
}

TEST(ReplyNumber, ANumberFillingTheWholeAreaStopsAtItsEnd) {
    std::array<char, 128> area;
    area.fill('7');
    EXPECT_EQ(readReplyNumber(area.data(), area.size()), 2147483647);

    const std::array<char, 4> shortArea { '1', '2', '3', '4' };
    EXPECT_EQ(readReplyNumber(shortArea.data(), 3), 123);
}

// A time of day that moves only when the module waits for events.
struct ControlledTimeOfDay {
    double now = 0;
    std::vector<std::chrono::milliseconds> waits;

    MovieModuleHooks hooks() {
        MovieModuleHooks hooks;
        hooks.send = [](const char*, char*, uint32_t, void*) { return 0u; };
        hooks.secondsSinceMidnight = [this] { return now; };
        hooks.processEventsFor = [this](std::chrono::milliseconds wait) {
            waits.push_back(wait);
            now += wait.count() / 1000.0;
            if (now >= 86400) {
                now -= 86400;
            }
        };
        return hooks;
    }
};

TEST(MovieModuleTimeOut, StartRoundsToTheNearestSecondWithHalvesToEven) {
    ControlledTimeOfDay clock;
    MovieModule movie(clock.hooks());

    clock.now = 100.5;
    movie.timeOut(0.5);
    EXPECT_TRUE(clock.waits.empty());

    clock.now = 100.6;
    movie.timeOut(0.5);
    EXPECT_NEAR(clock.now, 101.5, 1e-6);
    EXPECT_EQ(clock.waits.size(), 1u);

    clock.waits.clear();
    clock.now = 101.5;
    movie.timeOut(0.5);
    EXPECT_NEAR(clock.now, 102.5, 1e-6);
}

TEST(MovieModuleTimeOut, WaitsUntilStartPlusDuration) {
    ControlledTimeOfDay clock;
    MovieModule movie(clock.hooks());

    clock.now = 200.2;
    movie.timeOut(1);
    EXPECT_NEAR(clock.now, 201.0, 1e-6);
}

TEST(MovieModuleTimeOut, NonPositiveDurationWaitsOnlyForARoundedUpStart) {
    ControlledTimeOfDay clock;
    MovieModule movie(clock.hooks());

    clock.now = 300.2;
    movie.timeOut(0);
    EXPECT_TRUE(clock.waits.empty());

    clock.now = 300.7;
    movie.timeOut(0);
    EXPECT_NEAR(clock.now, 301.0, 1e-6);

    clock.waits.clear();
    clock.now = 300.7;
    movie.timeOut(-1);
    EXPECT_TRUE(clock.waits.empty());
}

TEST(MovieModuleTimeOut, AWaitAcrossMidnightEndsOnTime) {
    ControlledTimeOfDay clock;
    MovieModule movie(clock.hooks());

    clock.now = 86399.2;
    movie.timeOut(1);
    EXPECT_NEAR(clock.now, 0.0, 1e-6);

    clock.now = 86399.8;
    movie.timeOut(0.5);
    EXPECT_NEAR(clock.now, 0.5, 1e-6);
}

TEST(MovieModuleTimeOut, WaitsForEventsInsteadOfSpinning) {
    ControlledTimeOfDay clock;
    MovieModule movie(clock.hooks());

    clock.now = 50.0;
    movie.timeOut(1);
    ASSERT_EQ(clock.waits.size(), 1u);
    EXPECT_EQ(clock.waits.front(), std::chrono::milliseconds(1000));
}

} // namespace
