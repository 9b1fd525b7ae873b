// SPDX-License-Identifier: GPL-3.0-or-later
// Opens arbitrary bytes as an MP3 with the media service and plays them about, on outputs that take sound only when
// the clock is moved: queries, seeking, pausing, playing a stretch, from a position and to the end.

#include "mp3/frame_walk.h"
#include "platform/mci/mci_errors.h"
#include "platform/mci/service.h"
#include "platform/positioned_read.h"
#include "support/manual_audio.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
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

// Every device opened plays into an output that takes sound only when this clock moves.
test_support::ManualAudioClock audioClock;

uint32_t send(const std::string& command) {
    return mci::processService().send(command, nullptr, 0);
}

std::string query(const std::string& command) {
    std::array<char, 32> reply {};
    check(mci::processService().send(command, reply.data(), reply.size()) == 0, command.c_str());
    return reply.data();
}

// The mode is one of three words and the position lies within the sound, all along the way.
void playFor(std::chrono::milliseconds duration, int64_t length) {
    for (auto played = 0ms; played <= duration; played += 100ms) {
        const std::string mode = query("status movie mode");
        check(mode == "playing" || mode == "paused" || mode == "stopped", "the mode is one of three words");
        const int64_t position = std::stoll(query("status movie position"));
        check(position >= 0 && position <= length, "the position lies within the sound");
        audioClock.advance(100ms);
    }
}

// The frames a clip is cut from lie in the file, in order, one after another.
void checkFrames(const std::filesystem::path& path, int64_t fileSize) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    const auto list
        = mp3::listFrames({ fileSize, [descriptor = fileno(file.get())](int64_t offset, std::span<uint8_t> into) {
                               return platform::readAt(descriptor, offset, into);
                           } });
    int64_t end = 0;
    for (const mp3::AudioFrame& frame : list ? list->frames : std::vector<mp3::AudioFrame>()) {
        check(frame.offset >= end && frame.bytes > 0 && frame.offset + frame.bytes <= fileSize, "frames in the file");
        end = frame.offset + frame.bytes;
    }
}

void playFile(std::string_view bytes) {
    static const auto path = std::filesystem::temp_directory_path() / ("fuzz-" + std::to_string(getpid()) + ".mp3");
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
    checkFrames(path, static_cast<int64_t>(bytes.size()));
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
    const std::string stretchEnd = std::to_string(std::min(length, length / 2 + 300));
    check(send("play movie to " + stretchEnd) == 0, "play a stretch");
    playFor(400ms, length);
    check(
        query("status movie mode") + query("status movie position") == "stopped" + stretchEnd, "a stretch ends there");
    check(send("seek movie to " + std::to_string(length + 1)) == mci::kOutOfRange, "seek past the end");
    check(send("play movie from " + std::to_string(std::max<int64_t>(0, length - 400))) == 0, "play near the end");
    playFor(600ms, length);
    check(query("status movie mode") + query("status movie position") == "stopped" + std::to_string(length),
        "the sound ends at its length");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    playFile(std::string_view(reinterpret_cast<const char*>(data), size));
    send("close all");
    return 0;
}
