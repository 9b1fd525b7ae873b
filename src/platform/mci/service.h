#pragma once

#include <cstdint>
#include <string_view>

namespace mci {

// The media command service: one table of open devices by alias, reached through mciSendStringA.
class Service {
public:
    uint32_t send(std::string_view command, char* reply, uint32_t replyLength);
};

// The one service of this process, the one mciSendStringA talks to.
Service& processService();

} // namespace mci
