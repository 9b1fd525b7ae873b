// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/movie_module.h"

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/mci/mci.h"
#include "platform/mci/output_factory.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

namespace {

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace

MovieModuleHooks MovieModuleHooks::platformDefaults() {
    return { mciSendStringA, platform::secondsSinceMidnight, platform::steadySeconds, platform::processEventsFor,
        mci::whySilent };
}

MovieModule::MovieModule(MovieModuleHooks hooks)
    : hooks_(std::move(hooks)) {
    ReplyBuffer.fill(' ');
}

int32_t MovieModule::send(const std::string& command) {
    return static_cast<int32_t>(hooks_.send(command.c_str(), nullptr, 0, nullptr));
}

// The service gets a copy of the whole reply area and all of it is copied back: a query that writes no reply
// leaves the previous reply to be read again.
int32_t MovieModule::query(const std::string& command) {
    auto area = ReplyBuffer;
    const uint32_t code = hooks_.send(command.c_str(), area.data(), static_cast<uint32_t>(area.size()), nullptr);
    ReplyBuffer = area;
    return static_cast<int32_t>(code);
}

int32_t MovieModule::queryNumber(const std::string& command) {
    Error = query(command);
    return readReplyNumber(ReplyBuffer.data(), ReplyBuffer.size());
}

int32_t MovieModule::queryMilliseconds(const std::string& command) {
    send("set movie time format ms");
    return queryNumber(command);
}

void MovieModule::quoteFilename() {
    Filename = quoted(Filename);
}

void MovieModule::openMovieWindow(int64_t hWnd, const std::string& WindowStyle) {
    quoteFilename();
    Error = send("close movie");
    Error = send("open " + Filename + " type mpegvideo alias movie parent " + std::to_string(hWnd) + " style "
        + WindowStyle + " ");
}

void MovieModule::openMovie() {
    quoteFilename();
    Error = send("close movie");
    Error = send("open " + Filename + " type mpegvideo alias movie");
}

void MovieModule::playMovie() {
    Error = send("play movie");
}

void MovieModule::stopMovie() {
    Error = send("stop movie");
}

int32_t MovieModule::getLengthInMS() {
    return queryMilliseconds("status movie length");
}

int32_t MovieModule::getLengthInSec() {
    return getLengthInMS() / 1000;
}

void MovieModule::pauseMovie() {
    Error = send("pause movie");
}

void MovieModule::resumeMovie() {
    Error = send("resume movie");
}

int32_t MovieModule::getPositionInMS() {
    return queryMilliseconds("status movie position wait");
}

void MovieModule::closeMovie() {
    Error = send("close all");
}

int32_t MovieModule::getPositionInSec() {
    return getPositionInMS() / 1000;
}

bool MovieModule::isMoviePlaying() {
    Error = query("status movie mode");
    return std::string_view(ReplyBuffer.data(), 7) == "playing";
}

// A device that starts playing between the two mode queries is left alone.
void MovieModule::setPositionTo(int32_t Second) {
    if (isMoviePlaying()) {
        send("play movie from " + std::to_string(Second));
    } else if (!isMoviePlaying()) {
        send("seek movie to " + std::to_string(Second));
    }
}

void MovieModule::playMovieFromTo(int32_t from, int32_t to) {
    Error = send("play movie from " + std::to_string(from) + " to " + std::to_string(to));
}

void MovieModule::seekMovieTo(int32_t position) {
    Error = send("seek movie to " + std::to_string(position));
}

int32_t MovieModule::getSamplesPerFrame() {
    return queryNumber("status movie samplesperframe");
}

int32_t MovieModule::getSamplesPerSecond() {
    return queryNumber("status movie samplespersec");
}

// Ends when the time of day, counted from its value at the call rounded to a whole second, has moved on by
// `duration`. The time of day is read once and the wait measured on the steady clock, so that midnight, a change
// to or from daylight saving or a corrected clock neither stretches nor cuts it. Window events run meanwhile;
// between them the thread sleeps until the next one or the end.
void MovieModule::timeOut(double duration) {
    const double now = hooks_.secondsSinceMidnight();
    const double wait = std::nearbyint(now) + duration - now;
    const double begun = hooks_.steadySeconds();
    for (;;) {
        const double remaining = wait - (hooks_.steadySeconds() - begun);
        // A hair below a whole millisecond counts as that millisecond, so rounding noise adds no extra wait.
        const auto remainingMs = static_cast<long long>(std::ceil(remaining * 1000.0 - 1e-6));
        if (remainingMs <= 0) {
            return;
        }
        hooks_.processEventsFor(std::chrono::milliseconds(remainingMs));
    }
}

int32_t readReplyNumber(const char* reply, std::size_t length) {
    std::string_view text(reply, std::find(reply, reply + length, '\0'));
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) {
            return 0;
        }
    }
    // Only digits make a number here, never "inf" or "nan".
    const std::string_view digits = text.substr(text.starts_with('-') ? 1 : 0);
    const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    if (digits.empty() || !(isDigit(digits[0]) || (digits.size() > 1 && digits[0] == '.' && isDigit(digits[1])))) {
        return 0;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) { // strtod says which way: huge, or as good as zero
        value = std::strtod(std::string(text.data(), end).c_str(), nullptr);
    }
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(std::nearbyint(value), lowest, highest));
}
