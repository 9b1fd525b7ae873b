// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// What MovieModule needs from outside: the media command service and the line saying why its sound output plays
// silently (nothing while sound works), the time of day and a steady clock, and a way to let window events run while
// it waits. Tests replace them to record command texts, script replies and control time.
struct MovieModuleHooks {
    std::function<uint32_t(const char* command, char* reply, uint32_t replyLength, void* callbackWindow)> send;
    std::function<double()> secondsSinceMidnight;
    std::function<double()> steadySeconds;
    std::function<void(std::chrono::milliseconds)> processEventsFor;
    std::function<std::optional<std::string>()> whySilent;

    static MovieModuleHooks platformDefaults();
};

// The only place that talks to the media service: every operation is one or more command texts for the device
// "movie". Failures never raise; the service's return code is kept in Error.
class MovieModule {
public:
    explicit MovieModule(MovieModuleHooks hooks = MovieModuleHooks::platformDefaults());

    int32_t Error = 0;
    std::string Filename;

    void openMovieWindow(int64_t hWnd, const std::string& WindowStyle);
    void openMovie();
    void playMovie();
    void stopMovie();
    int32_t getLengthInMS();
    int32_t getLengthInSec();
    void pauseMovie();
    void resumeMovie();
    int32_t getPositionInMS();
    void closeMovie();
    int32_t getPositionInSec();
    bool isMoviePlaying();
    void setPositionTo(int32_t Second);
    void timeOut(double duration);
    // Plays from one position to another and stops there by itself; both in milliseconds.
    void playMovieFromTo(int32_t from, int32_t to);
    // Moves the position without playing, whatever the mode.
    void seekMovieTo(int32_t position);
    // What an MPEG audio frame of the opened file holds, for moving by frames.
    int32_t getSamplesPerFrame();
    int32_t getSamplesPerSecond();
    std::optional<std::string> whySilent() const { return hooks_.whySilent ? hooks_.whySilent() : std::nullopt; }

private:
    static constexpr std::size_t kReplyLength = 128;

    int32_t send(const std::string& command);
    int32_t query(const std::string& command);
    int32_t queryNumber(const std::string& command);
    int32_t queryMilliseconds(const std::string& command);
    void quoteFilename();

    MovieModuleHooks hooks_;
    std::array<char, kReplyLength> ReplyBuffer;
};

// The number at the start of a reply area of `length` characters, rounded to the nearest integer with halves
// going to the even neighbour; 0 when the area starts with no number.
int32_t readReplyNumber(const char* reply, std::size_t length);
