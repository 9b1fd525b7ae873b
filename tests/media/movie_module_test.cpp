// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/movie_module.h"

#include <array>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(ReplyNumber, IsTheLeadingNumberRoundedWithHalvesToEvenAndKeptInThirtyTwoBits) {
    const std::pair<std::string, int32_t> cases[] = { { "215000", 215000 }, { "   42", 42 }, { "-17", -17 },
        { "+8", 8 }, { "16.5", 16 }, { "17.5", 18 }, { "-2.5", -2 }, { "2.51", 3 }, { "1.5e3", 1500 }, { "2e", 2 },
        { "12abc", 12 }, { "12 34", 12 }, { "", 0 }, { "playing", 0 }, { "-", 0 }, { ".5", 0 },
        { "99999999999", 2147483647 }, { "-99999999999", -2147483647 - 1 }, { "1e400", 2147483647 }, { "-1e-400", 0 },
        { std::string(128, '7'), 2147483647 } };
    for (const auto& [text, expected] : cases) {
        std::array<char, 128> area {};
        std::memcpy(area.data(), text.data(), text.size());
        EXPECT_EQ(readReplyNumber(area.data(), area.size()), expected) << '"' << text << '"';
    }
    EXPECT_EQ(readReplyNumber("1234", 3), 123);
}

// The wait starts at the time of day rounded to the nearest second and lasts `duration`, measured on a steady
// clock: events run for what remains instead of a spin, and neither midnight nor a jump of the time of day during
// the first wait moves its end.
TEST(MovieModule, TimeOutWaitsFromTheRoundedStartForTheDuration) {
    const std::tuple<double, double, std::vector<std::chrono::milliseconds>, double, double> rows[] { { 100.5, 0.5, {},
                                                                                                          100.5, 0 },
        { 100.6, 0.5, { 900ms }, 101.5, 0 }, { 101.5, 0.5, { 1000ms }, 102.5, 0 }, { 200.2, 1, { 800ms }, 201.0, 0 },
        { 300.7, 0, { 300ms }, 301.0, 0 }, { 300.7, -1, {}, 300.7, 0 }, { 86399.8, 0.5, { 700ms }, 0.5, 0 },
        { 100.6, 0.5, { 900ms }, 82901.5, -3600 }, { 7200.2, 1, { 800ms }, 3601.0, -3600 } };
    for (const auto& [start, duration, expectedWaits, end, jump] : rows) {
        double now = start;
        double steady = 0;
        std::vector<std::chrono::milliseconds> waits;
        MovieModule movie(
            { [](const char*, char*, uint32_t, void*) { return 0U; }, [&] { return now; }, [&] { return steady; },
                [&](std::chrono::milliseconds wait) {
                    now = std::fmod(now + wait.count() / 1000.0 + (waits.empty() ? jump : 0) + 86400, 86400);
                    steady += wait.count() / 1000.0;
                    waits.push_back(wait);
                },
                {} });
        movie.timeOut(duration);
        EXPECT_EQ(waits, expectedWaits) << start << " for " << duration;
        EXPECT_NEAR(now, end, 1e-6) << start << " for " << duration;
    }
}

} // namespace
