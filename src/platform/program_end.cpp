#include "platform/program_end.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

std::vector<CleanupAtProgramEnd*>& registeredCleanups() {
    static std::vector<CleanupAtProgramEnd*> cleanups;
    return cleanups;
}

} // namespace

CleanupAtProgramEnd::CleanupAtProgramEnd(std::function<void()> cleanup)
    : cleanup_(std::move(cleanup)) {
    registeredCleanups().push_back(this);
}

CleanupAtProgramEnd::~CleanupAtProgramEnd() {
    std::erase(registeredCleanups(), this);
}

void runProgramEndCleanups() {
    auto pending = std::move(registeredCleanups());
    registeredCleanups().clear();
    std::for_each(pending.rbegin(), pending.rend(), [](CleanupAtProgramEnd* entry) { entry->cleanup_(); });
}

void endProgramNow() {
    runProgramEndCleanups();
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace platform
