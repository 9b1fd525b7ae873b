#include "platform/mci/mpeg_frame.h"
#include "support/mp3_fixtures.h"
#include "workflow/clip_copy.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

namespace {

using test_support::contentsOf;
using test_support::writeFile;

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

TEST(ByteRate, RoundsToNearestWithHalvesToEvenAndFailsOutsideTheSigned32BitRange) {
    const std::tuple<int64_t, int32_t, std::optional<int32_t>> rows[] { { 48000, 3000, 16 }, { 33, 2, 16 },
        { 35, 2, 18 }, { 49, 3, 16 }, { 50, 3, 17 }, { 1, 2, 0 }, { 4294967293LL, 2, 2147483646 },
        { 48000, 0, std::nullopt }, { 48000, -3000, std::nullopt }, { kInt32Max + 1LL, 1, std::nullopt },
        { 4294967295LL, 2, std::nullopt } };
    for (const auto& [bytes, lengthMs, expected] : rows) {
        const auto rate = clip::bytesPerMillisecond(bytes, lengthMs);
        EXPECT_EQ(rate.value, expected) << bytes << " bytes over " << lengthMs << " ms";
        EXPECT_EQ(rate.failure.isEmpty(), expected.has_value());
    }
}

// The positions count the tags' bytes in front; every product, sum and difference stays in 32 bits, and a start
// outside the audio is refused. The progress maximum leaves room for the last chunk's 4097 bytes.
TEST(ClipRange, ScalesBothMarksAfterTheLeadingTagsAndFailsOnOverflowOrOutsideTheAudio) {
    constexpr clip::AudioRange kUntagged { 0, kInt32Max };
    using Range = std::tuple<int32_t, int32_t, float>;
    const std::tuple<clip::AudioRange, int32_t, int32_t, int32_t, std::optional<Range>> rows[] {
        { kUntagged, 16, 1000, 2000, Range { 16000, 32000, 20097.0F } },
        { { 300'010, 48000 }, 16, 1, 2000, Range { 300'026, 332'010, 36081.0F } },
        { { 300'010, 48000 }, 16, 3000, 3001, Range { 348'010, 348'026, 4113.0F } },
        { kUntagged, 1, 1, kInt32Max - 4096, Range { 1, kInt32Max - 4096, static_cast<float>(kInt32Max) } },
        { kUntagged, 1'000'000, 1, 3'000, std::nullopt }, { kUntagged, 1'000'000, 3'000, 4'000, std::nullopt },
        { { 2, kInt32Max }, 1, 1, kInt32Max - 1, std::nullopt },
        { kUntagged, 2, -1'000'000'000, 1'000'000'000, std::nullopt },
        { kUntagged, 1, 1, kInt32Max - 4095, std::nullopt }, { { 0, 48000 }, 16, 3001, 4000, std::nullopt },
        { { 300'010, 48000 }, 0, 1, 2000, std::nullopt }
    };
    for (const auto& [audio, rate, start, end, expected] : rows) {
        const auto range = clip::clipRange(audio, rate, start, end);
        ASSERT_EQ(range.value.has_value(), expected.has_value()) << rate << " x " << start << ".." << end;
        EXPECT_NE(range.failure.isEmpty(), !expected.has_value());
        if (expected) {
            EXPECT_EQ(Range(range.value->startPos, range.value->endPos, range.value->progressMaximum), *expected);
        }
    }
}

// Every byte of the source tells where it sits, so a clip shifted by any amount shows at once. The header is made
// last, from the CRC of the copied bytes, and written in front of them.
TEST(ClipCopy, WritesTheHeaderAndExactlyTheSourceBytesOfTheRange) {
    const QTemporaryDir folder;
    const auto header = [](uint16_t crc) { return std::vector<uint8_t> { 'H', uint8_t(crc >> 8), uint8_t(crc) }; };
    const std::tuple<int64_t, int64_t, int64_t, bool, int64_t, int> rows[] { { 48000, 15999, 32384, false, 16385, 4 },
        { 48000, 999, 9192, true, 8196, 2 }, { 10000, 8000, 12000, false, 2000, 1 }, { 10000, 0, 1, true, 4, 1 } };
    QByteArray source(48000, '\0');
    for (qsizetype index = 0; index < source.size(); ++index) {
        source[index] = static_cast<char>(((index + 1) * 2654435761ULL) >> 13);
    }
    for (const auto& [sourceLength, from, to, withHeader, clipLength, chunks] : rows) {
        SCOPED_TRACE(testing::Message() << sourceLength << " bytes, " << from << ".." << to);
        ASSERT_TRUE(writeFile(folder.filePath("source.mp3"), source.first(sourceLength)));
        int64_t chunksWritten = 0;
        const auto saved = clip::copyClip(folder.filePath("source.mp3"), folder.filePath("clip.mp3"),
            { from, to, withHeader ? header : clip::ClipBytes {}.header }, [&](int64_t done) { chunksWritten = done; });
        ASSERT_TRUE(saved) << saved.failure.toStdString();
        const QByteArray copied = source.mid(from, std::min(to, sourceLength) - from);
        const auto crc = mci::crc16(std::span(reinterpret_cast<const uint8_t*>(copied.data()), copied.size()));
        const auto expectedHeader = withHeader ? header(crc) : std::vector<uint8_t>();
        EXPECT_EQ(*saved.value, clipLength);
        EXPECT_EQ(contentsOf(folder.filePath("clip.mp3")),
            QByteArray(reinterpret_cast<const char*>(expectedHeader.data()), std::ssize(expectedHeader)) + copied);
        EXPECT_EQ(chunksWritten, chunks);
    }
    for (const auto& [from, to] : { std::pair(9000, 8000), std::pair(10000, 10001), std::pair(-1, 100) }) {
        EXPECT_FALSE(clip::copyClip(
            folder.filePath("source.mp3"), folder.filePath("clip.mp3"), { from, to, {} }, [](int64_t) {}));
    }
}

} // namespace
