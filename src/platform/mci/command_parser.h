// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace mci {

enum class Verb { Open, Close, Play, Seek, Pause, Resume, Stop, Set, Status };
enum class StatusItem { Length, Position, Mode, SamplesPerSecond, SamplesPerFrame };

// One command text, taken apart. Keywords are matched case-insensitively and the device name is kept in lower
// case, so "MOVIE" and "movie" name the same device.
struct Command {
    Verb verb = Verb::Close;
    std::string device;
    bool allDevices = false; // close all
    std::string path; // open
    std::optional<int64_t> parentWindow; // open ... parent <handle>
    std::string windowStyle; // open ... style <word>
    std::optional<int64_t> position; // play ... from <n>, seek ... to <n>
    std::optional<int64_t> end; // play ... to <n>
    StatusItem statusItem = StatusItem::Mode;
    bool wait = false; // status ... wait

    bool operator==(const Command&) const = default;
};

// The command, or the error number that rejects the text (mci_errors.h).
//
// The path of an open may be unquoted (no blanks) or quoted. A path wrapped in several double quotes on each
// side, as a second open of an already quoted name sends, names the same file as with one pair. The closing
// quotes are the last ones followed by a blank or the end, so a quote inside a folder name needs no escaping.
std::variant<Command, uint32_t> parseCommand(std::string_view text);

} // namespace mci
