// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_end.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::vector<CleanupAtProgramEnd*>& registeredCleanups() {
    static std::vector<CleanupAtProgramEnd*> cleanups;
    return cleanups;
}

// A signal handler may do next to nothing: it writes a byte here, and the event loop reads it.
std::array<int, 2> signalPipe { -1, -1 };

void noteSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    if (::write(signalPipe[1], &byte, 1) < 0) {
        // The pipe is full: a signal is already waiting to be handled.
    }
    errno = savedErrno;
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

void handleTerminationSignals(std::function<void()> shutDown) {
    if (::pipe2(signalPipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [shutDown = std::move(shutDown)] {
        std::array<char, 16> bytes {};
        while (::read(signalPipe[0], bytes.data(), bytes.size()) > 0) { }
        shutDown();
    });
    struct sigaction action { };
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : { SIGTERM, SIGINT, SIGHUP }) {
        sigaction(signal, &action, nullptr);
    }
}

void endProgramNow() {
    runProgramEndCleanups();
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace platform
