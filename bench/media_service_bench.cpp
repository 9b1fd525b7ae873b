// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/audio_output.h"
#include "platform/mci/mci.h"
#include "platform/mci/service.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

// For each MP3 named on the command line: the wall time of "open" plus "status length" through the media
// service (best of several rounds) with the length it reports, then the processor time the device's pull path
// spends decoding the whole file, per minute of sound. One tab-separated line per file:
//   file  open_ms  length_ms  decode_cpu_ms  cpu_ms_per_minute
namespace {

// Pulls only when the benchmark asks, as fast as it can.
class PullOnDemandOutput final : public mci::AudioOutput {
public:
    PullOnDemandOutput(mci::AudioFormat format, mci::PcmSource& source, PullOnDemandOutput*& latest)
        : format(format)
        , source(source) {
        latest = this;
    }
    void start() override { }
    void halt() override { }
    int64_t bufferedFrames() const override { return 0; }

    const mci::AudioFormat format;
    mci::PcmSource& source;
};

uint32_t send(const std::string& command) {
    return mciSendStringA(command.c_str(), nullptr, 0, nullptr);
}

std::string query(const std::string& command) {
    std::array<char, 128> reply {};
    mciSendStringA(command.c_str(), reply.data(), reply.size(), nullptr);
    return reply.data();
}

double processCpuMilliseconds() {
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    constexpr int kOpenRounds = 3;
    constexpr int kFramesPerPull = 4096;
    PullOnDemandOutput* output = nullptr;
    mci::processService().setOutputFactory([&output](mci::AudioFormat format, mci::PcmSource& source) {
        return std::make_unique<PullOnDemandOutput>(format, source, output);
    });
    for (int i = 1; i < argc; ++i) {
        const std::string open = std::string("open \"") + argv[i] + "\" type mpegvideo alias movie";
        double bestOpenMs = 1e18;
        std::string length;
        for (int round = 0; round < kOpenRounds; ++round) {
            send("close movie");
            const auto started = std::chrono::steady_clock::now();
            if (const uint32_t error = send(open); error != 0) {
                std::fprintf(stderr, "%s: media error %u\n", argv[i], error);
                return 1;
            }
            length = query("status movie length");
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - started;
            bestOpenMs = std::min(bestOpenMs, took.count());
        }
        send("play movie");
        std::vector<int16_t> samples(static_cast<std::size_t>(kFramesPerPull * output->format.channels));
        const double cpuBefore = processCpuMilliseconds();
        while (query("status movie mode") == "playing") {
            output->source.fill(samples);
        }
        const double decodeCpuMs = processCpuMilliseconds() - cpuBefore;
        const double minutes = std::stod(length) / 60000.0;
        std::printf(
            "%s\t%.1f\t%s\t%.0f\t%.1f\n", argv[i], bestOpenMs, length.c_str(), decodeCpuMs, decodeCpuMs / minutes);
        send("close movie");
    }
    return 0;
}
