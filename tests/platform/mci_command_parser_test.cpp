#include "platform/mci/command_parser.h"
#include "platform/mci/mci_errors.h"

#include <gtest/gtest.h>
#include <ostream>

namespace mci {
namespace {

struct ParsedRow {
    std::string text;
    Command expected;
};

// Test names show the command text, not the row's bytes.
void PrintTo(const ParsedRow& row, std::ostream* out) {
    *out << '"' << row.text << '"';
}

Command make(Verb verb, std::string device) {
    Command command;
    command.verb = verb;
    command.device = std::move(device);
    return command;
}

Command withPath(std::string path, std::string device) {
    Command command = make(Verb::Open, std::move(device));
    command.path = std::move(path);
    return command;
}

Command withPosition(Command command, int64_t position) {
    command.position = position;
    return command;
}

Command withStatus(StatusItem item, bool wait) {
    Command command = make(Verb::Status, "movie");
    command.statusItem = item;
    command.wait = wait;
    return command;
}

Command closingAll() {
    Command command = make(Verb::Close, "all");
    command.allDevices = true;
    return command;
}

Command withWindow(Command command, int64_t parent, std::string style) {
    command.parentWindow = parent;
    command.windowStyle = std::move(style);
    return command;
}

class ParseCommandAccepts : public testing::TestWithParam<ParsedRow> { };

TEST_P(ParseCommandAccepts, TakesTheTextApart) {
    const auto parsed = parseCommand(GetParam().text);
    ASSERT_TRUE(std::holds_alternative<Command>(parsed)) << "error " << std::get<uint32_t>(parsed);
    EXPECT_EQ(std::get<Command>(parsed), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(CommandTexts, ParseCommandAccepts,
    testing::Values(
        ParsedRow { R"(open "/tmp/a b.mp3" type mpegvideo alias movie)", withPath("/tmp/a b.mp3", "movie") },
        ParsedRow { R"(open "/tmp/x.mp3" type mpegvideo alias movie parent 1234 style child )",
            withWindow(withPath("/tmp/x.mp3", "movie"), 1234, "child") },
        // A second open of an already quoted name sends it with two quotes on each side: same file.
        ParsedRow { R"(open ""/tmp/a b.mp3"" type mpegvideo alias movie)", withPath("/tmp/a b.mp3", "movie") },
        ParsedRow { R"(open "/tmp/say "hi" now/x.mp3" type mpegvideo alias movie)",
            withPath(R"(/tmp/say "hi" now/x.mp3)", "movie") },
        ParsedRow { "open /tmp/plain.mp3 alias Movie", withPath("/tmp/plain.mp3", "movie") },
        ParsedRow { "OPEN /tmp/plain.mp3 TYPE MPEGVideo ALIAS movie", withPath("/tmp/plain.mp3", "movie") },
        ParsedRow { "close movie", make(Verb::Close, "movie") }, ParsedRow { "close all", closingAll() },
        ParsedRow { "CLOSE ALL", closingAll() }, ParsedRow { "play movie", make(Verb::Play, "movie") },
        ParsedRow { "play movie from 5000", withPosition(make(Verb::Play, "movie"), 5000) },
        ParsedRow { "play movie from -5", withPosition(make(Verb::Play, "movie"), -5) },
        ParsedRow { "seek movie to 0", withPosition(make(Verb::Seek, "movie"), 0) },
        ParsedRow { "  pause   movie  ", make(Verb::Pause, "movie") },
        ParsedRow { "resume movie", make(Verb::Resume, "movie") },
        ParsedRow { "stop movie", make(Verb::Stop, "movie") },
        ParsedRow { "set movie time format ms", make(Verb::Set, "movie") },
        ParsedRow { "set movie time format milliseconds", make(Verb::Set, "movie") },
        ParsedRow { "status movie length", withStatus(StatusItem::Length, false) },
        ParsedRow { "status movie position wait", withStatus(StatusItem::Position, true) },
        ParsedRow { "Status Movie Mode", withStatus(StatusItem::Mode, false) }));

struct RejectedRow {
    std::string text;
    uint32_t error;
};

void PrintTo(const RejectedRow& row, std::ostream* out) {
    *out << '"' << row.text << "\" gives " << row.error;
}

class ParseCommandRejects : public testing::TestWithParam<RejectedRow> { };

TEST_P(ParseCommandRejects, WithTheMatchingErrorNumber) {
    const auto parsed = parseCommand(GetParam().text);
    ASSERT_TRUE(std::holds_alternative<uint32_t>(parsed));
    EXPECT_EQ(std::get<uint32_t>(parsed), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(CommandTexts, ParseCommandRejects,
    testing::Values(RejectedRow { "", kUnrecognizedCommand }, RejectedRow { "rewind movie", kUnrecognizedCommand },
        RejectedRow { "play", kMissingParameter }, RejectedRow { "open", kMissingParameter },
        RejectedRow { R"(open "" type mpegvideo alias movie)", kMissingParameter },
        RejectedRow { R"(open "/tmp/x.mp3 type mpegvideo alias movie)", kMissingParameter },
        RejectedRow { R"(open "/tmp/x.mp3" type mpegvideo)", kMissingParameter },
        RejectedRow { R"(open "/tmp/x.mp3" type waveaudio alias movie)", kUnrecognizedKeyword },
        RejectedRow { R"(open "/tmp/x.mp3" alias movie parent)", kMissingParameter },
        RejectedRow { R"(open "/tmp/x.mp3" alias movie parent window)", kBadInteger },
        RejectedRow { R"(open "/tmp/x.mp3" alias movie volume 3)", kUnrecognizedKeyword },
        RejectedRow { "play movie from", kMissingParameter }, RejectedRow { "play movie from 12s", kBadInteger },
        RejectedRow { "play movie from 99999999999999999999", kBadInteger },
        RejectedRow { "play movie to 5", kUnrecognizedKeyword }, RejectedRow { "seek movie", kMissingParameter },
        RejectedRow { "seek movie to", kMissingParameter }, RejectedRow { "seek movie to end", kBadInteger },
        RejectedRow { "pause movie now", kUnrecognizedKeyword }, RejectedRow { "set movie", kMissingParameter },
        RejectedRow { "set movie time format", kMissingParameter },
        RejectedRow { "set movie time format frames", kUnrecognizedKeyword },
        RejectedRow { "set movie audio all off", kUnrecognizedKeyword },
        RejectedRow { "status movie", kMissingParameter }, RejectedRow { "status movie volume", kUnrecognizedKeyword },
        RejectedRow { "status movie position wait now", kUnrecognizedKeyword },
        RejectedRow { "status movie position now", kUnrecognizedKeyword }));

} // namespace
} // namespace mci
