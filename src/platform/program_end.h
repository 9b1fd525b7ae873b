// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace platform {

// Ends the process at once with exit code 0: runs the clean-ups registered below, flushes the standard streams and
// exits without unwinding, so no event loop, waiting handler or destructor runs any more. Open files and devices
// are closed by the system.
[[noreturn]] void endProgramNow();

// While alive, `cleanup` runs if the program is ended by endProgramNow, for work that must not leave traces
// behind when the program ends in its middle (a file half written, for example). Clean-ups run newest first.
class CleanupAtProgramEnd {
public:
    explicit CleanupAtProgramEnd(std::function<void()> cleanup);
    ~CleanupAtProgramEnd();

    CleanupAtProgramEnd(const CleanupAtProgramEnd&) = delete;
    CleanupAtProgramEnd& operator=(const CleanupAtProgramEnd&) = delete;

private:
    std::function<void()> cleanup_;

    friend void runProgramEndCleanups();
};

// Runs every registered clean-up once, newest first; endProgramNow calls it.
void runProgramEndCleanups();

// From now on SIGTERM, SIGINT and SIGHUP (logging out, a service manager, Ctrl-C, a closed terminal) run `shutDown`
// in the event loop of the calling thread, also in a loop nested in a handler, instead of killing the process
// where it stands. Call once, with an application object in place.
void handleTerminationSignals(std::function<void()> shutDown);

} // namespace platform
