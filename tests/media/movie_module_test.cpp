#include "media/movie_module.h"

#include <array>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Answer {
    uint32_t code = 0;
    std::optional<std::string> reply; // nullopt writes nothing, as a failed query does
};

// Records every command text and answers queries from a script.
struct ScriptedService {
    std::vector<std::string> commands;
    std::deque<Answer> queryAnswers;
    std::function<uint32_t(const std::string& command)> plainCode = [](const std::string&) { return 0u; };

    MovieModuleHooks hooks() {
        MovieModuleHooks hooks;
        hooks.send = [this](const char* command, char* reply, uint32_t replyLength, void* callbackWindow) {
            EXPECT_EQ(callbackWindow, nullptr);
            commands.emplace_back(command);
            if (reply == nullptr) {
                EXPECT_EQ(replyLength, 0u);
                return plainCode(command);
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

TEST(MovieModuleCommands, EachOperationSendsItsExactCommandTexts) {
    struct Row {
        const char* operation;
        std::deque<Answer> answers;
        std::function<void(MovieModule&)> act;
        std::vector<std::string> commands;
    };
    const std::deque<Answer> stoppedTwice { { 0, "stopped" }, { 0, "stopped" } };
    const Row rows[] {
        { "open in a window quotes the path and ends in a blank", {},
            [](MovieModule& movie) {
                movie.Filename = "/home/ann/clips/a b.mp3";
                movie.openMovieWindow(1234, "child");
            },
            { "close movie", "open \"/home/ann/clips/a b.mp3\" type mpegvideo alias movie parent 1234 style child " } },
        { "second open without a new name quotes twice", {},
            [](MovieModule& movie) {
                movie.Filename = "x.mp3";
                movie.openMovieWindow(7, "child");
                movie.openMovieWindow(7, "child");
            },
            { "close movie", "open \"x.mp3\" type mpegvideo alias movie parent 7 style child ", "close movie",
                "open \"\"x.mp3\"\" type mpegvideo alias movie parent 7 style child " } },
        { "plain open ends with the alias", {},
            [](MovieModule& movie) {
                movie.Filename = "x.mp3";
                movie.openMovie();
            },
            { "close movie", "open \"x.mp3\" type mpegvideo alias movie" } },
        { "transport sends one command each", {},
            [](MovieModule& movie) {
                movie.playMovie();
                movie.pauseMovie();
                movie.resumeMovie();
                movie.stopMovie();
                movie.closeMovie();
            },
            { "play movie", "pause movie", "resume movie", "stop movie", "close all" } },
        { "positioning while playing plays from there", { { 0, "playing" } },
            [](MovieModule& movie) { movie.setPositionTo(5000); }, { "status movie mode", "play movie from 5000" } },
        { "positioning while paused asks twice then seeks", { { 0, "paused" }, { 0, "paused" } },
            [](MovieModule& movie) { movie.setPositionTo(5000); },
            { "status movie mode", "status movie mode", "seek movie to 5000" } },
        { "positioning while stopped asks twice then seeks", stoppedTwice,
            [](MovieModule& movie) { movie.setPositionTo(5000); },
            { "status movie mode", "status movie mode", "seek movie to 5000" } },
        { "negative position keeps its minus sign", stoppedTwice, [](MovieModule& movie) { movie.setPositionTo(-250); },
            { "status movie mode", "status movie mode", "seek movie to -250" } },
        { "playback starting between the two questions gets nothing", { { 0, "stopped" }, { 0, "playing" } },
            [](MovieModule& movie) { movie.setPositionTo(5000); }, { "status movie mode", "status movie mode" } },
        { "length and position queries set the time format first", { { 0, "215000" }, { 0, "999" } },
            [](MovieModule& movie) {
                movie.getLengthInSec();
                movie.getPositionInSec();
            },
            { "set movie time format ms", "status movie length", "set movie time format ms",
                "status movie position wait" } }
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.operation);
        ScriptedService service;
        service.queryAnswers = row.answers;
        MovieModule movie(service.hooks());
        row.act(movie);
        EXPECT_EQ(service.commands, row.commands);
    }
}

TEST(MovieModuleCommands, OpenKeepsTheCodeOfTheOpenNotOfTheClose) {
    ScriptedService service;
    MovieModule movie(service.hooks());
    movie.Filename = "x.mp3";
    service.plainCode = [](const std::string& command) { return command.starts_with("open") ? 263u : 0u; };
    movie.openMovie();
    EXPECT_EQ(movie.Error, 263);

    service.plainCode = [](const std::string& command) { return command.starts_with("close") ? 263u : 0u; };
    movie.openMovie();
    EXPECT_EQ(movie.Error, 0);
}

// Each row scripts the replies, reads values (and Error) in order, and lists what it should have read.
TEST(MovieModuleReplies, AreReadAsNumbersAndAFailedQueryKeepsTheEarlierReply) {
    struct Row {
        const char* reading;
        std::deque<Answer> answers;
        std::function<std::vector<int32_t>(MovieModule&)> read;
        std::vector<int32_t> expected;
    };
    std::string olderText = "12";
    olderText += '\0';
    olderText += "76543";
    const Row rows[] { { "milliseconds and whole seconds",
                           { { 0, "215000" }, { 0, "215000" }, { 0, "1999" }, { 0, "999" } },
                           [](MovieModule& movie) {
                               return std::vector { movie.getLengthInMS(), movie.getLengthInSec(),
                                   movie.getPositionInSec(), movie.getPositionInSec() };
                           },
                           { 215000, 215, 1, 0 } },
        { "a failed query reads the earlier reply again", { { 0, "215000" }, { 263, std::nullopt } },
            [](MovieModule& movie) {
                return std::vector { movie.getLengthInMS(), movie.Error, movie.getLengthInMS(), movie.Error };
            },
            { 215000, 0, 215000, 263 } },
        { "a failed first query reads zero", { { 263, std::nullopt }, { 263, std::nullopt } },
            [](MovieModule& movie) {
                return std::vector<int32_t> { movie.getPositionInMS(), movie.isMoviePlaying() };
            },
            { 0, false } },
        { "older text after the reply is ignored", { { 0, "9876543" }, { 0, olderText } },
            [](MovieModule& movie) {
                return std::vector { movie.getPositionInMS(), movie.getPositionInMS() };
            },
            { 9876543, 12 } },
        { "a failed mode query keeps an earlier playing", { { 0, "playing" }, { 263, std::nullopt } },
            [](MovieModule& movie) {
                return std::vector<int32_t> { movie.isMoviePlaying(), movie.isMoviePlaying(), movie.Error };
            },
            { true, true, 263 } } };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reading);
        ScriptedService service;
        service.queryAnswers = row.answers;
        MovieModule movie(service.hooks());
        EXPECT_EQ(row.read(movie), row.expected);
    }
}

TEST(MovieModuleReplies, ModeIsPlayingOnlyForTheExactLowerCaseWord) {
    for (const auto& [reply, playing] :
        std::vector<std::pair<std::string, bool>> { { "playing", true }, { "playing and more", true },
            { "paused", false }, { "stopped", false }, { "Playing", false }, { "play", false } }) {
        ScriptedService service;
        service.queryAnswers = { { 0, reply } };
        MovieModule movie(service.hooks());
        EXPECT_EQ(movie.isMoviePlaying(), playing) << reply;
    }
}

TEST(ReplyNumber, ReadsTheLeadingNumberWithHalvesToEven) {
    const std::vector<std::pair<std::string, int32_t>> cases = { { "0", 0 }, { "215000", 215000 }, { "   42", 42 },
        { "-17", -17 }, { "+8", 8 }, { "16.5", 16 }, { "17.5", 18 }, { "-2.5", -2 }, { "2.51", 3 }, { "1.5e3", 1500 },
        { "2e", 2 }, { "12abc", 12 }, { "12 34", 12 }, { "", 0 }, { "playing", 0 }, { "-", 0 }, { ".5", 0 },
        { "1.5", 2 }, { "99999999999", 2147483647 }, { "-99999999999", -2147483647 - 1 } };
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

// The wait starts at the time of day rounded to the nearest second (halves to even) and lasts `duration`; the
// module lets events run for what remains instead of spinning, and a wait across midnight, or during which the time
// of day jumps by an hour, ends on time.
TEST(MovieModuleTimeOut, WaitsFromTheRoundedStartForTheDuration) {
    struct Row {
        double now;
        double duration;
        std::vector<std::chrono::milliseconds> waits;
        double end;
        double jump = 0; // of the time of day, during the first wait
    };
    const Row rows[] { { 100.5, 0.5, {}, 100.5 }, { 100.6, 0.5, { 900ms }, 101.5 }, { 101.5, 0.5, { 1000ms }, 102.5 },
        { 200.2, 1, { 800ms }, 201.0 }, { 50.0, 1, { 1000ms }, 51.0 }, { 300.2, 0, {}, 300.2 },
        { 300.7, 0, { 300ms }, 301.0 }, { 300.7, -1, {}, 300.7 }, { 86399.2, 1, { 800ms }, 0.0 },
        { 86399.8, 0.5, { 700ms }, 0.5 }, { 100.6, 0.5, { 900ms }, 82901.5, -3600 },
        { 100.6, 0.5, { 900ms }, 3701.5, 3600 }, { 7200.2, 1, { 800ms }, 3601.0, -3600 } };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "at " << row.now << " for " << row.duration);
        double now = row.now;
        double steady = 0;
        std::vector<std::chrono::milliseconds> waits;
        MovieModuleHooks hooks;
        hooks.send = [](const char*, char*, uint32_t, void*) { return 0u; };
        hooks.secondsSinceMidnight = [&] { return now; };
        hooks.steadySeconds = [&] { return steady; };
        hooks.processEventsFor = [&](std::chrono::milliseconds wait) {
            const double jump = waits.empty() ? row.jump : 0;
            waits.push_back(wait);
            steady += wait.count() / 1000.0;
            now = std::fmod(now + wait.count() / 1000.0 + jump + 86400, 86400);
        };
        MovieModule movie(hooks);

        movie.timeOut(row.duration);

        EXPECT_EQ(waits, row.waits);
        EXPECT_NEAR(now, row.end, 1e-6);
    }
}

} // namespace
