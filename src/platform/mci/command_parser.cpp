// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/command_parser.h"

#include "platform/mci/mci_errors.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

namespace mci {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view skipBlanks(std::string_view text) {
    const auto first = std::ranges::find_if_not(text, isBlank);
    return text.substr(static_cast<std::size_t>(first - text.begin()));
}

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> found;
    for (text = skipBlanks(text); !text.empty(); text = skipBlanks(text)) {
        const auto end = std::ranges::find_if(text, isBlank);
        const auto length = static_cast<std::size_t>(end - text.begin());
        found.emplace_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return found;
}

struct PathAndRest {
    std::string path;
    std::string_view rest;
};

std::optional<PathAndRest> splitPath(std::string_view text) {
    text = skipBlanks(text);
    const std::size_t openingQuotes = std::min(text.find_first_not_of('"'), text.size());
    if (openingQuotes == 0) {
        const std::size_t end = std::min(text.find_first_of(" \t"), text.size());
        return PathAndRest { std::string(text.substr(0, end)), text.substr(end) };
    }
    for (std::size_t last = text.size(); last-- > 2 * openingQuotes;) {
        const bool closesPath = text[last] == '"' && (last + 1 == text.size() || isBlank(text[last + 1]));
        if (!closesPath) {
            continue;
        }
        const std::size_t closingStart = last + 1 - openingQuotes;
        const bool closingRunComplete
            = text.substr(closingStart, openingQuotes).find_first_not_of('"') == std::string_view::npos;
        if (!closingRunComplete) {
            return std::nullopt;
        }
        const std::string_view path = text.substr(openingQuotes, closingStart - openingQuotes);
        return PathAndRest { std::string(path), text.substr(last + 1) };
    }
    return std::nullopt;
}

std::variant<int64_t, uint32_t> parseInteger(const std::string& word) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) {
        return kBadInteger;
    }
    return value;
}

// Reads the keyword-value pairs and flags after the device name.
class Arguments {
public:
    explicit Arguments(std::vector<std::string> words)
        : words_(std::move(words)) { }

    bool done() const { return next_ >= words_.size(); }
    std::string keyword() { return lowerCase(words_[next_++]); }
    bool takeIf(std::string_view expected) {
        const bool matches = !done() && lowerCase(words_[next_]) == expected;
        next_ += matches ? 1 : 0;
        return matches;
    }
    std::optional<std::string> value() { return done() ? std::nullopt : std::optional(words_[next_++]); }

    uint32_t integerValue(std::optional<int64_t>& target) {
        const auto word = value();
        if (!word) {
            return kMissingParameter;
        }
        const auto number = parseInteger(*word);
        if (const auto* error = std::get_if<uint32_t>(&number)) {
            return *error;
        }
        target = std::get<int64_t>(number);
        return kNoError;
    }

private:
    std::vector<std::string> words_;
    std::size_t next_ = 0;
};

uint32_t parseOpenArguments(Arguments arguments, Command& command) {
    bool hasAlias = false;
    while (!arguments.done()) {
        const std::string keyword = arguments.keyword();
        if (keyword == "parent") {
            if (const uint32_t error = arguments.integerValue(command.parentWindow); error != kNoError) {
                return error;
            }
            continue;
        }
        const auto value = arguments.value();
        if (keyword != "type" && keyword != "alias" && keyword != "style") {
            return kUnrecognizedKeyword;
        }
        if (!value) {
            return kMissingParameter;
        }
        if (keyword == "type" && lowerCase(*value) != "mpegvideo") {
            return kUnrecognizedKeyword;
        }
        if (keyword == "alias") {
            command.device = lowerCase(*value);
            hasAlias = true;
        }
        if (keyword == "style") {
            command.windowStyle = *value;
        }
    }
    return hasAlias ? kNoError : kMissingParameter;
}

std::variant<Command, uint32_t> parseOpen(std::string_view afterVerb) {
    if (skipBlanks(afterVerb).empty()) {
        return kMissingParameter;
    }
    const auto split = splitPath(afterVerb);
    if (!split || split->path.empty()) {
        return kMissingParameter;
    }
    Command command;
    command.verb = Verb::Open;
    command.path = split->path;
    if (const uint32_t error = parseOpenArguments(Arguments(words(split->rest)), command); error != kNoError) {
        return error;
    }
    return command;
}

uint32_t parseSeekPosition(Arguments& arguments, Command& command) {
    if (arguments.done()) {
        return kMissingParameter;
    }
    if (arguments.keyword() != "to") {
        return kUnrecognizedKeyword;
    }
    return arguments.integerValue(command.position);
}

// "from" and "to", each at most once, in either order.
uint32_t parsePlayRange(Arguments& arguments, Command& command) {
    while (!arguments.done()) {
        const std::string keyword = arguments.keyword();
        auto& target = keyword == "from" ? command.position : command.end;
        if ((keyword != "from" && keyword != "to") || target) {
            return kUnrecognizedKeyword;
        }
        if (const uint32_t error = arguments.integerValue(target); error != kNoError) {
            return error;
        }
    }
    return kNoError;
}

uint32_t parseSetArguments(Arguments& arguments) {
    if (arguments.done()) {
        return kMissingParameter;
    }
    if (arguments.keyword() != "time") {
        return kUnrecognizedKeyword;
    }
    if (arguments.done()) {
        return kMissingParameter;
    }
    if (arguments.keyword() != "format") {
        return kUnrecognizedKeyword;
    }
    if (arguments.done()) {
        return kMissingParameter;
    }
    const std::string format = arguments.keyword();
    return format == "ms" || format == "milliseconds" ? kNoError : kUnrecognizedKeyword;
}

template <typename Value, std::size_t Count>
std::optional<Value> named(const std::pair<std::string_view, Value> (&table)[Count], std::string_view word) {
    const auto* found = std::ranges::find(table, word, &std::pair<std::string_view, Value>::first);
    return found == std::end(table) ? std::nullopt : std::optional(found->second);
}

uint32_t parseStatusArguments(Arguments& arguments, Command& command) {
    static constexpr std::pair<std::string_view, StatusItem> kItems[] = {
        { "length", StatusItem::Length },
        { "position", StatusItem::Position },
        { "mode", StatusItem::Mode },
        { "samplespersec", StatusItem::SamplesPerSecond },
        { "samplesperframe", StatusItem::SamplesPerFrame },
    };
    if (arguments.done()) {
        return kMissingParameter;
    }
    const auto item = named(kItems, arguments.keyword());
    if (!item) {
        return kUnrecognizedKeyword;
    }
    command.statusItem = *item;
    command.wait = arguments.takeIf("wait");
    return kNoError;
}

std::optional<Verb> verbNamed(std::string_view word) {
    static constexpr std::pair<std::string_view, Verb> kVerbs[] = {
        { "close", Verb::Close },
        { "play", Verb::Play },
        { "seek", Verb::Seek },
        { "pause", Verb::Pause },
        { "resume", Verb::Resume },
        { "stop", Verb::Stop },
        { "set", Verb::Set },
        { "status", Verb::Status },
    };
    return named(kVerbs, word);
}

uint32_t parseArguments(Arguments& arguments, Command& command) {
    switch (command.verb) {
    case Verb::Play:
        return parsePlayRange(arguments, command);
    case Verb::Seek:
        return parseSeekPosition(arguments, command);
    case Verb::Set:
        return parseSetArguments(arguments);
    case Verb::Status:
        return parseStatusArguments(arguments, command);
    case Verb::Open:
    case Verb::Close:
    case Verb::Pause:
    case Verb::Resume:
    case Verb::Stop:
        break;
    }
    return kNoError;
}

} // namespace

std::variant<Command, uint32_t> parseCommand(std::string_view text) {
    text = skipBlanks(text);
    const auto verbEnd = std::min(text.find_first_of(" \t"), text.size());
    const std::string verbWord = lowerCase(text.substr(0, verbEnd));
    if (verbWord == "open") {
        return parseOpen(text.substr(verbEnd));
    }
    const auto verb = verbNamed(verbWord);
    if (!verb) {
        return kUnrecognizedCommand;
    }
    auto afterVerb = words(text.substr(verbEnd));
    if (afterVerb.empty()) {
        return kMissingParameter;
    }
    Command command;
    command.verb = *verb;
    command.device = lowerCase(afterVerb.front());
    command.allDevices = command.verb == Verb::Close && command.device == "all";
    afterVerb.erase(afterVerb.begin());
    Arguments arguments(std::move(afterVerb));
    if (const uint32_t error = parseArguments(arguments, command); error != kNoError) {
        return error;
    }
    return arguments.done() ? std::variant<Command, uint32_t>(command) : kUnrecognizedKeyword;
}

} // namespace mci
