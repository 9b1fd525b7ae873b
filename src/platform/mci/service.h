// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/mci/audio_output.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace mci {

class MpegVideoDevice;
struct Command;

// The media command service: a table of open devices by alias, each command text parsed and carried out on
// one of them. Safe to call from several threads; commands run one at a time.
class Service {
public:
    Service();
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Returns 0 or an error number. A successful query writes its reply, NUL-terminated and cut to replyLength;
    // anything else leaves the reply area untouched.
    uint32_t send(std::string_view command, char* reply, uint32_t replyLength);

    // Devices opened from now on play through outputs made by `factory`; devices already open keep theirs.
    void setOutputFactory(OutputFactory factory);
    // Back to real sound, or silence paced by the clock where no sound device opens.
    void useDefaultOutput();

private:
    uint32_t execute(const Command& command, std::string& reply);
    uint32_t open(const Command& command);
    uint32_t close(const Command& command);
    uint32_t status(MpegVideoDevice& device, const Command& command, std::string& reply);

    std::mutex mutex_;
    OutputFactory outputFactory_;
    bool defaultOutput_ = true;
    std::map<std::string, std::unique_ptr<MpegVideoDevice>, std::less<>> devices_;
};

// The one service of this process, the one mciSendStringA talks to.
Service& processService();

} // namespace mci
