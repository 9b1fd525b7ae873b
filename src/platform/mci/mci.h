// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The string-command entry point of the media service. Returns 0 or an error number (mci_errors.h). A reply is
// written, NUL-terminated and cut to returnLength, only when a query succeeds; otherwise the area is left as it was.
extern "C" uint32_t mciSendStringA(
    const char* command, char* returnString, uint32_t returnLength, void* callbackWindow);
