// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/service.h"

#include "platform/mci/command_parser.h"
#include "platform/mci/mci_errors.h"
#include "platform/mci/mpeg_video_device.h"
#include "platform/mci/output_factory.h"

#include <algorithm>
#include <cstring>

namespace mci {

namespace {

void writeReply(const std::string& text, char* reply, uint32_t replyLength) {
    if (reply == nullptr || replyLength == 0) {
        return;
    }
    const std::size_t length = std::min<std::size_t>(text.size(), replyLength - 1);
    std::memcpy(reply, text.data(), length);
    reply[length] = '\0';
}

} // namespace

Service::Service()
    : outputFactory_(openDefaultOutput) { }

Service::~Service() = default;

uint32_t Service::send(std::string_view commandText, char* reply, uint32_t replyLength) {
    const auto parsed = parseCommand(commandText);
    if (const auto* error = std::get_if<uint32_t>(&parsed)) {
        return *error;
    }
    std::string replyText;
    uint32_t result = kNoError;
    {
        const std::lock_guard lock(mutex_);
        result = execute(std::get<Command>(parsed), replyText);
    }
    if (result == kNoError && std::get<Command>(parsed).verb == Verb::Status) {
        writeReply(replyText, reply, replyLength);
    }
    return result;
}

void Service::setOutputFactory(OutputFactory factory) {
    const std::lock_guard lock(mutex_);
    outputFactory_ = std::move(factory);
    defaultOutput_ = false;
}

void Service::useDefaultOutput() {
    const std::lock_guard lock(mutex_);
    outputFactory_ = openDefaultOutput;
    defaultOutput_ = true;
}

uint32_t Service::execute(const Command& command, std::string& reply) {
    if (command.verb == Verb::Open) {
        return open(command);
    }
    if (command.verb == Verb::Close) {
        return close(command);
    }
    const auto found = devices_.find(command.device);
    if (found == devices_.end()) {
        return kDeviceNotOpen;
    }
    MpegVideoDevice& device = *found->second;
    switch (command.verb) {
    case Verb::Play:
        return device.play(command.position, command.end);
    case Verb::Seek:
        return device.seek(*command.position);
    case Verb::Pause:
        return device.pause();
    case Verb::Resume:
        return device.resume();
    case Verb::Stop:
        return device.stop();
    case Verb::Set:
        return kNoError; // milliseconds are the only time format, and the one every device starts with
    case Verb::Status:
        return status(device, command, reply);
    case Verb::Open:
    case Verb::Close:
        break;
    }
    return kUnrecognizedCommand;
}

uint32_t Service::open(const Command& command) {
    if (devices_.contains(command.device)) {
        return kDuplicateAlias;
    }
    // The sound output starts while the file is read.
    if (defaultOutput_) {
        prepareDefaultOutput();
    }
    auto opened = MpegVideoDevice::open(
        command.path, { .parent = command.parentWindow, .style = command.windowStyle }, outputFactory_);
    if (const auto* error = std::get_if<uint32_t>(&opened)) {
        return *error;
    }
    devices_.emplace(command.device, std::move(std::get<std::unique_ptr<MpegVideoDevice>>(opened)));
    return kNoError;
}

uint32_t Service::close(const Command& command) {
    if (command.allDevices) {
        devices_.clear();
        return kNoError;
    }
    return devices_.erase(command.device) == 1 ? kNoError : kDeviceNotOpen;
}

uint32_t Service::status(MpegVideoDevice& device, const Command& command, std::string& reply) {
    switch (command.statusItem) {
    case StatusItem::Length:
        reply = std::to_string(device.lengthMilliseconds());
        break;
    case StatusItem::Position:
        reply = std::to_string(device.positionMilliseconds());
        break;
    case StatusItem::Mode:
        reply = modeWord(device.mode());
        break;
    case StatusItem::SamplesPerSecond:
        reply = std::to_string(device.samplesPerSecond());
        break;
    case StatusItem::SamplesPerFrame:
        reply = std::to_string(device.samplesPerFrame());
        break;
    }
    return kNoError;
}

Service& processService() {
    static Service service;
    return service;
}

} // namespace mci
