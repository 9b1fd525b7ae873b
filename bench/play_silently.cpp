// SPDX-License-Identifier: GPL-3.0-or-later
// Plays one MP3 on the silent, clock-paced output (what plays where there is no sound device) and measures the
// processor time of the whole process while it plays: ROUNDS spans of SECONDS each, one percentage per line.
// Usage: play_silently FILE SECONDS ROUNDS
#include "platform/mci/clock_paced_output.h"
#include "platform/mci/mci.h"
#include "platform/mci/service.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>

namespace {

double processCpuSeconds() {
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: play_silently FILE SECONDS ROUNDS\n");
        return 2;
    }
    const auto span = std::chrono::duration<double>(std::stod(argv[2]));
    const int rounds = std::stoi(argv[3]);
    mci::processService().setOutputFactory([](mci::AudioFormat format, mci::PcmSource& source) {
        return std::make_unique<mci::ClockPacedOutput>(format, source);
    });
    const std::string open = std::string("open \"") + argv[1] + "\" type mpegvideo alias movie";
    if (mciSendStringA(open.c_str(), nullptr, 0, nullptr) != 0
        || mciSendStringA("play movie", nullptr, 0, nullptr) != 0) {
        std::fprintf(stderr, "%s does not play\n", argv[1]);
        return 1;
    }
    for (int round = 0; round < rounds; ++round) {
        const double cpuBefore = processCpuSeconds();
        const auto started = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(span);
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
        std::printf("%.3f\n", 100.0 * (processCpuSeconds() - cpuBefore) / wall.count());
    }
    mciSendStringA("close all", nullptr, 0, nullptr);
    return 0;
}
