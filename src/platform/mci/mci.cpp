// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/mci.h"

#include "platform/mci/service.h"

extern "C" uint32_t mciSendStringA(const char* command, char* returnString, uint32_t returnLength, void*) {
    return mci::processService().send(command == nullptr ? "" : command, returnString, returnLength);
}
