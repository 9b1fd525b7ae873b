#include "app/seconds_to_clock.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <ostream>

namespace {

struct ClockCase {
    int32_t seconds;
    const char* text;
};

void PrintTo(const ClockCase& row, std::ostream* out) {
    *out << row.seconds;
}

class SecondsToClockTest : public testing::TestWithParam<ClockCase> { };

TEST_P(SecondsToClockTest, WritesHoursMinutesAndSecondsEachAfterABlankOrMinus) {
    EXPECT_EQ(SecondsToClock(GetParam().seconds).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(ListedTimes, SecondsToClockTest,
    testing::Values(ClockCase { 0, " 0 : 0 : 0" }, ClockCase { 59, " 0 : 0 : 59" }, ClockCase { 60, " 0 : 1 : 0" },
        ClockCase { 65, " 0 : 1 : 5" }, ClockCase { 3723, " 1 : 2 : 3" }, ClockCase { 32767, " 9 : 6 : 7" },
        ClockCase { -1, " 0 : 0 :-1" }, ClockCase { -3723, "-1 :-2 :-3" }, ClockCase { -32768, "-9 :-6 :-8" }));

INSTANTIATE_TEST_SUITE_P(BeyondSixteenBits, SecondsToClockTest,
    testing::Values(ClockCase { 32768, " 9 : 6 : 8" }, ClockCase { 40000, " 11 : 6 : 40" },
        ClockCase { 360000, " 100 : 0 : 0" }, ClockCase { -40000, "-11 :-6 :-40" },
        ClockCase { INT32_MAX, " 596523 : 14 : 7" }, ClockCase { INT32_MIN, "-596523 :-14 :-8" }));

// Every count of seconds a 16-bit clock could be given reads back to the same count.
TEST(SecondsToClock, EverySixteenBitCountReadsBackToItself) {
    for (int32_t seconds = -32768; seconds <= 32767; ++seconds) {
        const QStringList fields = SecondsToClock(seconds).split(QStringLiteral(" :"));
        ASSERT_EQ(fields.size(), 3) << seconds;
        const int hours = fields[0].trimmed().toInt();
        const int minutes = fields[1].trimmed().toInt();
        const int secs = fields[2].trimmed().toInt();
        ASSERT_EQ(hours * 3600 + minutes * 60 + secs, seconds);
        ASSERT_LT(std::abs(minutes), 60);
        ASSERT_LT(std::abs(secs), 60);
    }
}

} // namespace
