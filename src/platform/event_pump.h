// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace platform {

// Handles every pending window event, then returns.
void processPendingEvents();

// Handles window events as they come until `duration` has passed, sleeping while none are pending.
void processEventsFor(std::chrono::milliseconds duration);

// Blocks the calling thread; no window event is handled meanwhile.
void sleepFor(std::chrono::milliseconds duration);

} // namespace platform
