#include "platform/mci/clock_paced_output.h"
#include "platform/mci/mci.h"
#include "platform/mci/service.h"
#include "support/mp3_fixtures.h"

#include <array>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

class ClockPacedService : public testing::Test {
protected:
    ClockPacedService() {
        mci::processService().setOutputFactory([](mci::AudioFormat format, mci::PcmSource& source) {
            return std::make_unique<mci::ClockPacedOutput>(format, source);
        });
    }
    ~ClockPacedService() override {
        mciSendStringA("close all", nullptr, 0, nullptr);
        mci::processService().useDefaultOutput();
    }

    static int positionMs() {
        std::array<char, 32> reply {};
        EXPECT_EQ(mciSendStringA("status movie position", reply.data(), reply.size(), nullptr), 0U);
        return std::stoi(reply.data());
    }
};

TEST_F(ClockPacedService, PositionAdvancesInRealTime) {
    const auto file = test_support::testDataFile("cbr_128k_44k_stereo.mp3");
    ASSERT_EQ(
        mciSendStringA(("open \"" + file.string() + "\" type mpegvideo alias movie").c_str(), nullptr, 0, nullptr), 0U);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(mciSendStringA("play movie", nullptr, 0, nullptr), 0U);
    std::this_thread::sleep_for(300ms);
    const int position = positionMs();
    const auto elapsed
        = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    EXPECT_GE(position, 250);
    EXPECT_LE(position, elapsed.count() + 20);

    // The output pulls sound in larger steps than this; the position still moves between them.
    int moves = 0;
    for (int reading = 0, last = positionMs(); reading < 4; ++reading) {
        std::this_thread::sleep_for(15ms);
        const int now = positionMs();
        moves += now > last ? 1 : 0;
        last = now;
    }
    EXPECT_GE(moves, 3);

    ASSERT_EQ(mciSendStringA("pause movie", nullptr, 0, nullptr), 0U);
    const int paused = positionMs();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(positionMs(), paused);
}

} // namespace
