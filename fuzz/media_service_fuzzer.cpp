// Feeds arbitrary input to the media service, on outputs that take sound only when the clock is moved. Input starting
// with 'c' is command texts, one per line, sent to a device opened on a small MP3, each with a reply area of 0 to 31
// bytes allocated to the byte, so that a reply written past its end is caught. Any other input is opened as an MP3
// file, past its first byte, and played about: queries, seeking, pausing, playing from a position and to the end.

#include "platform/mci/command_parser.h"
#include "platform/mci/mci_errors.h"
#include "platform/mci/service.h"
#include "support/manual_audio.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// A broken promise ends the run, so libFuzzer keeps the input as a crash.
void check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

test_support::ManualAudioClock& clock() {
    static test_support::ManualAudioClock clock;
    return clock;
}

uint32_t send(const std::string_view command, char* reply = nullptr, uint32_t length = 0) {
    return mci::processService().send(command, reply, length);
}

std::string query(const std::string& command) {
    std::array<char, 32> reply {};
    check(send(command, reply.data(), reply.size()) == 0, command.c_str());
    return reply.data();
}

void sendCommandLines(std::string_view text) {
    check(send("open \"" TUNESHEAR_TEST_DATA_DIR "/mpeg2_16k_mono.mp3\" alias movie") == 0, "the fixture opens");
    while (!text.empty()) {
        const std::string_view line = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(line.size() + 1, text.size()));
        const uint32_t length
            = std::accumulate(line.begin(), line.end(), 0U, [](uint32_t sum, char c) { return sum + uint8_t(c); }) % 32;
        const auto reply = std::make_unique<char[]>(length);
        std::fill_n(reply.get(), length, '\x7f');
        const auto parsed = mci::parseCommand(line);
        const bool isQuery
            = std::holds_alternative<mci::Command>(parsed) && std::get<mci::Command>(parsed).verb == mci::Verb::Status;
        const std::string_view area(reply.get(), length);
        check(send(line, reply.get(), length) == 0 && isQuery ? length == 0 || area.find('\0') != area.npos
                                                              : area.find_first_not_of('\x7f') == area.npos,
            "a reply ends inside its area; a failed command or one that is no query leaves the area alone");
        clock().advance(250ms);
    }
}

// The mode is one of three words and the position lies within the sound, all along the way.
void playFor(std::chrono::milliseconds duration, int64_t length) {
    for (auto played = 0ms; played <= duration; played += 100ms) {
        const std::string mode = query("status movie mode");
        check(mode == "playing" || mode == "paused" || mode == "stopped", "the mode is one of three words");
        const int64_t position = std::stoll(query("status movie position"));
        check(position >= 0 && position <= length, "the position lies within the sound");
        clock().advance(100ms);
    }
}

void playFile(std::string_view bytes) {
    static const auto path = std::filesystem::temp_directory_path() / ("fuzz-" + std::to_string(getpid()) + ".mp3");
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
    const uint32_t opened = send("open \"" + path.string() + "\" type mpegvideo alias movie");
    std::filesystem::remove(path);
    check(opened == 0 || opened == mci::kInvalidFile, "a file that does not open is reported as not playable");
    if (opened != 0) {
        return;
    }
    const int64_t length = std::stoll(query("status movie length"));
    check(length >= 0 && send("play movie") == 0, "play");
    playFor(300ms, length);
    check(send("pause movie") == 0 && (send("resume movie") == 0 || query("status movie mode") == "stopped"), "resume");
    playFor(200ms, length);
    check(send("seek movie to " + std::to_string(length / 2)) == 0, "seek to the middle");
    check(std::stoll(query("status movie position")) == length / 2, "a seek moves the position exactly");
    check(send("seek movie to " + std::to_string(length + 1)) == mci::kOutOfRange, "seek past the end");
    check(send("play movie from " + std::to_string(std::max<int64_t>(0, length - 400))) == 0, "play near the end");
    playFor(600ms, length);
    check(query("status movie mode") + query("status movie position") == "stopped" + std::to_string(length),
        "the sound ends at its length");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.starts_with('c')) {
        sendCommandLines(input.substr(1));
    } else if (!input.empty()) {
        playFile(input.substr(1));
    }
    send("close all");
    return 0;
}
