// Opens arbitrary bytes as an MP3 through the media service and plays them about: the queries, seeking, playing
// from a position, pausing and the end of the sound, on outputs that take sound only when the clock is moved.

#include "fuzz_checks.h"
#include "platform/mci/mci_errors.h"
#include "platform/mci/service.h"
#include "support/manual_audio.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// The bytes under test live in one file of this process, removed when the run ends.
class ScratchFile {
public:
    ScratchFile()
        : path_(std::filesystem::temp_directory_path() / ("tuneshear-fuzz-" + std::to_string(getpid()) + ".mp3")) { }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::filesystem::path& write(const uint8_t* data, size_t size) const {
        std::ofstream file(path_, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        fuzz::check(file.good(), "the scratch file is written");
        return path_;
    }

private:
    const std::filesystem::path path_;
};

uint32_t send(const std::string& command) {
    return mci::processService().send(command, nullptr, 0);
}

std::string query(const std::string& command) {
    std::array<char, 32> reply {};
    fuzz::check(mci::processService().send(command, reply.data(), reply.size()) == mci::kNoError, command);
    return reply.data();
}

int64_t queryNumber(const std::string& command) {
    const std::string text = query(command);
    int64_t value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    fuzz::check(error == std::errc() && end == text.data() + text.size(), "a number reply is a whole number");
    return value;
}

void checkState(int64_t length) {
    const std::string mode = query("status movie mode");
    fuzz::check(mode == "playing" || mode == "paused" || mode == "stopped", "the mode is one of three words");
    const int64_t position = queryNumber("status movie position");
    fuzz::check(position >= 0 && position <= length, "the position lies within the sound");
}

void playFor(test_support::ManualAudioClock& clock, std::chrono::milliseconds duration, int64_t length) {
    for (auto played = 0ms; played < duration; played += 100ms) {
        clock.advance(100ms);
        checkState(length);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static test_support::ManualAudioClock clock;
    static const ScratchFile scratch;

    const auto& path = scratch.write(data, size);
    const uint32_t opened = send("open \"" + path.string() + "\" type mpegvideo alias movie");
    if (opened != mci::kNoError) {
        fuzz::check(opened == mci::kInvalidFile, "a file that does not open is reported as not playable");
        return 0;
    }
    send("set movie time format ms");
    const int64_t length = queryNumber("status movie length");
    fuzz::check(length >= 0, "the length is not negative");
    checkState(length);

    fuzz::check(send("play movie") == mci::kNoError, "play");
    playFor(clock, 300ms, length);
    fuzz::check(send("pause movie") == mci::kNoError, "pause");
    checkState(length);
    fuzz::check(send("resume movie") == mci::kNoError || query("status movie mode") == "stopped", "resume");
    playFor(clock, 200ms, length);

    const int64_t middle = length / 2;
    fuzz::check(send("seek movie to " + std::to_string(middle)) == mci::kNoError, "seek to the middle");
    fuzz::check(queryNumber("status movie position") == middle, "a seek while stopped moves the position exactly");
    fuzz::check(send("play movie from " + std::to_string(length)) == mci::kNoError, "play from the end");
    playFor(clock, 100ms, length);
    fuzz::check(query("status movie mode") == "stopped", "playing from the end stops there");
    fuzz::check(queryNumber("status movie position") == length, "playing from the end stays at the end");
    fuzz::check(send("seek movie to " + std::to_string(length + 1)) == mci::kOutOfRange, "seek past the end");

    fuzz::check(send("play movie from " + std::to_string(length > 400 ? length - 400 : 0)) == mci::kNoError,
        "play near the end");
    playFor(clock, 600ms, length);
    fuzz::check(query("status movie mode") == "stopped", "the sound ends");
    fuzz::check(queryNumber("status movie position") == length, "the end of the sound is its length");

    fuzz::check(send("close movie") == mci::kNoError, "close");
    return 0;
}
