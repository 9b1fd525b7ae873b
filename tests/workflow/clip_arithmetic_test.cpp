#include "support/mp3_fixtures.h"
#include "workflow/clip_copy.h"

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

QByteArray ape(uint8_t sizeWithFooter, bool withHeader) {
    const QByteArray footer = "APETAGEX" + QByteArray("\xd0\x07\0\0", 4) + char(sizeWithFooter) + QByteArray(10, '\0')
        + char(withHeader ? 0x80 : 0) + QByteArray(8, '\0');
    return (withHeader ? QByteArray(32, 'h') : "") + QByteArray(sizeWithFooter - 32, 'i') + footer;
}

TEST(AudioRange, LiesBetweenTheTagsAndTakesADamagedTagForAudio) {
    const QByteArray audio = QByteArray("\xff\xfb\x90\x64", 4).repeated(250);
    const QByteArray id3v1 = "TAG" + QByteArray(125, 't');
    const QByteArray picture = test_support::id3v2Tag(300'000);
    const QByteArray withFooter = test_support::id3v2Tag(100, 4, 0x10);
    QByteArray badSyncsafeByte = picture + audio;
    badSyncsafeByte[8] = '\x81';
    struct Row {
        const char* name;
        QByteArray file;
        clip::AudioRange range;
    };
    for (const Row& row : std::initializer_list<Row> { { "no tag", audio, { 0, 1000 } },
             { "ID3v2 with a picture", picture + audio, { picture.size(), 1000 } },
             { "ID3v2.4 with footer", withFooter + audio, { withFooter.size(), 1000 } },
             { "two ID3v2 tags in a row", withFooter + picture + audio, { withFooter.size() + picture.size(), 1000 } },
             { "ID3v1 at the end", audio + id3v1, { 0, 1000 } },
             { "APEv2 at the end", audio + ape(100, true), { 0, 1000 } },
             { "ID3v2, APEv2 and ID3v1", withFooter + audio + ape(64, false) + id3v1, { withFooter.size(), 1000 } },
             { "truncated tag header", picture.left(7), { 0, 7 } },
             { "ID3v2 running past the end", picture.left(200'000), { 0, 200'000 } },
             { "bad syncsafe byte", badSyncsafeByte, { 0, badSyncsafeByte.size() } },
             { "APEv2 running into the ID3v2 tag", withFooter + ape(200, false).right(32), { withFooter.size(), 32 } },
             { "empty file", {}, { 0, 0 } } }) {
        SCOPED_TRACE(row.name);
        const auto range = clip::audioRange(row.file.size(), [&row](int64_t offset, int64_t length) {
            EXPECT_TRUE(offset >= 0 && length >= 0 && offset + length <= row.file.size()) << offset << "+" << length;
            return row.file.mid(offset, length);
        });
        EXPECT_EQ(range.leadingBytes, row.range.leadingBytes);
        EXPECT_EQ(range.audioBytes, row.range.audioBytes);
    }
}

TEST(ClipRange, ScalesBothMarksAfterTheLeadingTagsAndFailsOnOverflowOrOutsideTheAudio) {
    constexpr clip::AudioRange kUntagged { 0, kInt32Max };
    struct Row {
        clip::AudioRange audio;
        int32_t bytesPerMs;
        int32_t markStart;
        int32_t markEnd;
        std::optional<clip::ClipRange> range; // none: fails with a reason
    };
    for (const Row& row : std::initializer_list<Row> {
             { kUntagged, 16, 1000, 2000, clip::ClipRange { 16000, 32000, kInt32Max, 20097.0F } },
             { { 300'010, 48000 }, 16, 1, 2000, clip::ClipRange { 300'026, 332'010, 348'010, 36081.0F } },
             { { 300'010, 48000 }, 16, 3000, 3001, clip::ClipRange { 348'010, 348'026, 348'010, 4113.0F } },
             { kUntagged, 1, 1, kInt32Max - 4096,
                 clip::ClipRange { 1, kInt32Max - 4096, kInt32Max, static_cast<float>(kInt32Max) } },
             { kUntagged, 1'000'000, 1, 3'000, std::nullopt }, // end position
             { kUntagged, 1'000'000, 3'000, 4'000, std::nullopt }, // both positions
             { { 2, kInt32Max }, 1, 1, kInt32Max - 1, std::nullopt }, // the end position with the tag
             { kUntagged, 2, -1'000'000'000, 1'000'000'000, std::nullopt }, // the difference
             { kUntagged, 1, 1, kInt32Max - 4095, std::nullopt }, // the headroom added to the difference
             { { 0, 48000 }, 16, 3001, 4000, std::nullopt }, // starts after the last audio byte
             { { 300'010, 48000 }, 0, 1, 2000, std::nullopt } }) { // starts in the tag
        SCOPED_TRACE(testing::Message() << row.audio.leadingBytes << " + " << row.bytesPerMs << " x " << row.markStart
                                        << ".." << row.markEnd);
        const auto range = clip::clipRange(row.audio, row.bytesPerMs, row.markStart, row.markEnd);
        ASSERT_EQ(range.value.has_value(), row.range.has_value()) << range.failure.toStdString();
        EXPECT_EQ(range.failure.isEmpty(), row.range.has_value());
        if (row.range) {
            EXPECT_EQ(range.value->startPos, row.range->startPos);
            EXPECT_EQ(range.value->endPos, row.range->endPos);
            EXPECT_EQ(range.value->lastPos, row.range->lastPos);
            EXPECT_FLOAT_EQ(range.value->progressMaximum, row.range->progressMaximum);
        }
    }
}

} // namespace
