// Opens arbitrary bytes as an MP3 and plays them about: queries, seeking, playing from a position, pausing and the
// end of the sound, on outputs that take sound only when the clock is moved.

#include "fuzz_checks.h"
#include "platform/mci/mci_errors.h"
#include "platform/mci/service.h"
#include "support/manual_audio.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

uint32_t send(const std::string& command) {
    return mci::processService().send(command, nullptr, 0);
}

std::string query(const std::string& command) {
    std::array<char, 32> reply {};
    check(mci::processService().send(command, reply.data(), reply.size()) == 0, command.c_str());
    return reply.data();
}

// The mode is one of three words and the position lies within the sound, all along the way.
void playFor(test_support::ManualAudioClock& clock, std::chrono::milliseconds duration, int64_t length) {
    for (auto played = 0ms; played <= duration; played += 100ms) {
        const std::string mode = query("status movie mode");
        check(mode == "playing" || mode == "paused" || mode == "stopped", "the mode is one of three words");
        const int64_t position = std::stoll(query("status movie position"));
        check(position >= 0 && position <= length, "the position lies within the sound");
        clock.advance(100ms);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static test_support::ManualAudioClock clock;
    static const auto path = std::filesystem::temp_directory_path() / ("fuzz-" + std::to_string(getpid()) + ".mp3");
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);
    const uint32_t opened = send("open \"" + path.string() + "\" type mpegvideo alias movie");
    std::filesystem::remove(path);
    check(opened == 0 || opened == mci::kInvalidFile, "a file that does not open is reported as not playable");
    if (opened != 0) {
        return 0;
    }
    const int64_t length = std::stoll(query("status movie length"));
    check(length >= 0, "the length is not negative");
    check(send("play movie") == 0, "play");
    playFor(clock, 300ms, length);
    check(send("pause movie") == 0 && (send("resume movie") == 0 || query("status movie mode") == "stopped"), "resume");
    playFor(clock, 200ms, length);
    check(send("seek movie to " + std::to_string(length / 2)) == 0, "seek to the middle");
    check(std::stoll(query("status movie position")) == length / 2, "a seek moves the position exactly");
    check(send("seek movie to " + std::to_string(length + 1)) == mci::kOutOfRange, "seek past the end");
    check(send("play movie from " + std::to_string(std::max<int64_t>(0, length - 400))) == 0, "play near the end");
    playFor(clock, 600ms, length);
    check(query("status movie mode") + query("status movie position") == "stopped" + std::to_string(length),
        "the sound ends at its length");
    check(send("close movie") == 0, "close");
    return 0;
}
