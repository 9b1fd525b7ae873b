#include "workflow/clip_copy.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

struct RateRow {
    int64_t sourceBytes;
    int32_t mediaLengthMs;
    int32_t bytesPerMs;
};

class ByteRate : public testing::TestWithParam<RateRow> { };

TEST_P(ByteRate, RoundsToNearestWithHalvesToEven) {
    const auto rate = clip::bytesPerMillisecond(GetParam().sourceBytes, GetParam().mediaLengthMs);
    ASSERT_TRUE(rate) << rate.failure.toStdString();
    EXPECT_EQ(*rate.value, GetParam().bytesPerMs);
}

INSTANTIATE_TEST_SUITE_P(Quotients, ByteRate,
    testing::Values(RateRow { 48000, 3000, 16 }, // whole quotient
        RateRow { 33, 2, 16 }, // 16.5 goes down to the even 16
        RateRow { 35, 2, 18 }, // 17.5 goes up to the even 18
        RateRow { 5, 2, 2 }, // 2.5
        RateRow { 3, 2, 2 }, // 1.5
        RateRow { 49, 3, 16 }, // 16.33
        RateRow { 50, 3, 17 }, // 16.67
        RateRow { 1, 2, 0 }, // 0.5 rounds to a rate of 0, which is no failure here
        RateRow { 0, 1000, 0 }, // empty source
        RateRow { kInt32Max, 1, kInt32Max }, // largest rate
        RateRow { 4294967293LL, 2, 2147483646 })); // 2147483646.5 stays in range

struct RateFailureRow {
    int64_t sourceBytes;
    int32_t mediaLengthMs;
};

class ByteRateFailure : public testing::TestWithParam<RateFailureRow> { };

TEST_P(ByteRateFailure, FailsWithReason) {
    const auto rate = clip::bytesPerMillisecond(GetParam().sourceBytes, GetParam().mediaLengthMs);
    EXPECT_FALSE(rate);
    EXPECT_FALSE(rate.failure.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Quotients, ByteRateFailure,
    testing::Values(RateFailureRow { 48000, 0 }, // media length 0
        RateFailureRow { 48000, -3000 }, // negative media length
        RateFailureRow { kInt32Max + 1LL, 1 }, // just past the signed 32-bit range
        RateFailureRow { 4294967295LL, 2 }, // 2147483647.5 rounds to the even 2147483648
        RateFailureRow { 1'000'000'000'000LL, 100 }));

TEST(ByteRateOfFile, DividesTheFileLengthByTheMediaLength) {
    const QTemporaryDir folder;
    QFile source(folder.filePath("source.mp3"));
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    source.write(QByteArray(48000, 'x'));
    source.close();

    const auto rate = clip::bytesPerMillisecondOfFile(source.fileName(), 3000);
    ASSERT_TRUE(rate) << rate.failure.toStdString();
    EXPECT_EQ(*rate.value, 16);
}

TEST(ByteRateOfFile, FailsForAMissingFileAndForAFolder) {
    const QTemporaryDir folder;
    EXPECT_FALSE(clip::bytesPerMillisecondOfFile(folder.filePath("missing.mp3"), 3000));
    EXPECT_FALSE(clip::bytesPerMillisecondOfFile(folder.path(), 3000));
}

TEST(ClipRange, ScalesBothMarksAndLeavesHeadroomForTheLastChunk) {
    const auto range = clip::clipRange(16, 1000, 2000);
    ASSERT_TRUE(range) << range.failure.toStdString();
    EXPECT_EQ(range.value->startPos, 16000);
    EXPECT_EQ(range.value->endPos, 32000);
    EXPECT_FLOAT_EQ(range.value->progressMaximum, 20097.0F);
}

TEST(ClipRange, AcceptsTheLargestMaximumThatFits) {
    const auto range = clip::clipRange(1, 0, kInt32Max - 4097);
    ASSERT_TRUE(range) << range.failure.toStdString();
    EXPECT_FLOAT_EQ(range.value->progressMaximum, static_cast<float>(kInt32Max));
}

struct RangeOverflowRow {
    int32_t bytesPerMs;
    int32_t markStart;
    int32_t markEnd;
};

class ClipRangeOverflow : public testing::TestWithParam<RangeOverflowRow> { };

TEST_P(ClipRangeOverflow, FailsWithReason) {
    const auto range = clip::clipRange(GetParam().bytesPerMs, GetParam().markStart, GetParam().markEnd);
    EXPECT_FALSE(range);
    EXPECT_FALSE(range.failure.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(SignedThirtyTwoBit, ClipRangeOverflow,
    testing::Values(RangeOverflowRow { 1'000'000, 1, 3'000 }, // end position
        RangeOverflowRow { 1'000'000, 3'000, 4'000 }, // both positions
        RangeOverflowRow { 2, -1'000'000'000, 1'000'000'000 }, // the difference
        RangeOverflowRow { 1, 0, kInt32Max - 4096 })); // the headroom added to the difference

} // namespace
