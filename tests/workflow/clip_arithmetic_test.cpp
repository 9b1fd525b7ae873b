#include "workflow/clip_copy.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <optional>

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

TEST(ByteRate, RoundsToNearestWithHalvesToEvenAndFailsOutsideTheSigned32BitRange) {
    struct Row {
        int64_t sourceBytes;
        int32_t mediaLengthMs;
        std::optional<int32_t> bytesPerMs; // none: fails with a reason
    };
    for (const Row& row : std::initializer_list<Row> { { 48000, 3000, 16 }, // whole quotient
             { 33, 2, 16 }, // 16.5 goes down to the even 16
             { 35, 2, 18 }, // 17.5 goes up to the even 18
             { 5, 2, 2 }, { 3, 2, 2 }, { 49, 3, 16 }, { 50, 3, 17 }, { 1, 2, 0 }, // a rate of 0 is no failure here
             { 0, 1000, 0 }, // empty source
             { kInt32Max, 1, kInt32Max }, { 4294967293LL, 2, 2147483646 }, // 2147483646.5 stays in range
             { 48000, 0, std::nullopt }, // media length 0
             { 48000, -3000, std::nullopt }, { kInt32Max + 1LL, 1, std::nullopt },
             { 4294967295LL, 2, std::nullopt }, // 2147483647.5 rounds to the even 2147483648
             { 1'000'000'000'000LL, 100, std::nullopt } }) {
        SCOPED_TRACE(testing::Message() << row.sourceBytes << " bytes over " << row.mediaLengthMs << " ms");
        const auto rate = clip::bytesPerMillisecond(row.sourceBytes, row.mediaLengthMs);
        EXPECT_EQ(rate.value, row.bytesPerMs);
        EXPECT_EQ(rate.failure.isEmpty(), row.bytesPerMs.has_value()) << rate.failure.toStdString();
    }
}

TEST(ByteRate, OfAFileDividesItsLengthAndFailsWithoutARegularFile) {
    const QTemporaryDir folder;
    QFile source(folder.filePath("source.mp3"));
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    source.write(QByteArray(48000, 'x'));
    source.close();

    EXPECT_EQ(clip::bytesPerMillisecondOfFile(source.fileName(), 3000).value, 16);
    EXPECT_FALSE(clip::bytesPerMillisecondOfFile(folder.filePath("missing.mp3"), 3000));
    EXPECT_FALSE(clip::bytesPerMillisecondOfFile(folder.path(), 3000));
}

TEST(ClipRange, ScalesBothMarksWithHeadroomForTheLastChunkAndFailsOnOverflow) {
    struct Row {
        int32_t bytesPerMs;
        int32_t markStart;
        int32_t markEnd;
        std::optional<clip::ClipRange> range; // none: fails with a reason
    };
    for (const Row& row : std::initializer_list<Row> { { 16, 1000, 2000, clip::ClipRange { 16000, 32000, 20097.0F } },
             { 1, 0, kInt32Max - 4097, clip::ClipRange { 0, kInt32Max - 4097, static_cast<float>(kInt32Max) } },
             { 1'000'000, 1, 3'000, std::nullopt }, // end position
             { 1'000'000, 3'000, 4'000, std::nullopt }, // both positions
             { 2, -1'000'000'000, 1'000'000'000, std::nullopt }, // the difference
             { 1, 0, kInt32Max - 4096, std::nullopt } }) { // the headroom added to the difference
        SCOPED_TRACE(testing::Message() << row.bytesPerMs << " x " << row.markStart << ".." << row.markEnd);
        const auto range = clip::clipRange(row.bytesPerMs, row.markStart, row.markEnd);
        ASSERT_EQ(range.value.has_value(), row.range.has_value()) << range.failure.toStdString();
        EXPECT_EQ(range.failure.isEmpty(), row.range.has_value());
        if (row.range) {
            EXPECT_EQ(range.value->startPos, row.range->startPos);
            EXPECT_EQ(range.value->endPos, row.range->endPos);
            EXPECT_FLOAT_EQ(range.value->progressMaximum, row.range->progressMaximum);
        }
    }
}

} // namespace
