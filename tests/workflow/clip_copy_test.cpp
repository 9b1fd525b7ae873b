#include "platform/program_end.h"
#include "support/mp3_fixtures.h"
#include "workflow/clip_copy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <unistd.h>

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
    badSyncsafeByte[9] = static_cast<char>(badSyncsafeByte[9] | 0x80); // a size that would still fit the file
    const std::tuple<const char*, QByteArray, int64_t, int64_t> rows[] { { "no tag", audio, 0, 1000 },
        { "ID3v2 with a picture", picture + audio, picture.size(), 1000 },
        { "ID3v2.4 with footer", withFooter + audio, withFooter.size(), 1000 },
        { "two ID3v2 tags in a row", withFooter + picture + audio, withFooter.size() + picture.size(), 1000 },
        { "ID3v1 at the end", audio + id3v1, 0, 1000 }, { "APEv2 at the end", audio + ape(100, true), 0, 1000 },
        { "ID3v2, APEv2 and ID3v1", withFooter + audio + ape(64, false) + id3v1, withFooter.size(), 1000 },
        { "truncated tag header", picture.left(7), 0, 7 }, { "ID3v2 past the end", picture.left(200'000), 0, 200'000 },
        { "bad syncsafe byte", badSyncsafeByte, 0, badSyncsafeByte.size() },
        { "APEv2 into the ID3v2 tag", withFooter + ape(200, false).right(32), withFooter.size(), 32 },
        { "empty file", {}, 0, 0 } };
    for (const auto& [name, file, leadingBytes, audioBytes] : rows) {
        const auto range = clip::audioRange(file.size(), [&file = file](int64_t offset, int64_t length) {
            EXPECT_TRUE(offset >= 0 && length >= 0 && offset + length <= file.size()) << offset << "+" << length;
            return file.mid(offset, length);
        });
        EXPECT_EQ(std::pair(range.leadingBytes, range.audioBytes), std::pair(leadingBytes, audioBytes)) << name;
    }
}

// The positions count the tags' bytes in front; every product, sum and difference stays in 32 bits, and a start
// outside the audio is refused. The progress maximum leaves room for the last chunk's 4097 bytes.
TEST(ClipRange, ScalesBothMarksAfterTheLeadingTagsAndFailsOnOverflowOrOutsideTheAudio) {
    constexpr clip::AudioRange kUntagged { 0, kInt32Max };
    using Range = std::tuple<int32_t, int32_t, int64_t, float>;
    const std::tuple<clip::AudioRange, int32_t, int32_t, int32_t, std::optional<Range>> rows[] {
        { kUntagged, 16, 1000, 2000, Range { 16000, 32000, kInt32Max, 20097.0F } },
        { { 300'010, 48000 }, 16, 1, 2000, Range { 300'026, 332'010, 348'010, 36081.0F } },
        { { 300'010, 48000 }, 16, 3000, 3001, Range { 348'010, 348'026, 348'010, 4113.0F } },
        { kUntagged, 1, 1, kInt32Max - 4096, Range { 1, kInt32Max - 4096, kInt32Max, static_cast<float>(kInt32Max) } },
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
            EXPECT_EQ(
                Range(range.value->startPos, range.value->endPos, range.value->lastPos, range.value->progressMaximum),
                *expected);
        }
    }
}

class ClipFolder : public testing::Test {
protected:
    QStringList folderEntries() const {
        return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    clip::Result<int64_t> copy(int32_t startPos, int32_t endPos, const QString& from, const QString& to) {
        chunksWritten = 0;
        return clip::copyClip(from, to, startPos, endPos, [this](int64_t chunks) { chunksWritten = chunks; });
    }

    // Every byte tells where it sits, so a clip shifted by any amount shows at once.
    static QByteArray positionPattern(int64_t length) {
        QByteArray bytes(length, '\0');
        for (int64_t index = 0; index < length; ++index) {
            bytes[static_cast<qsizetype>(index)] = static_cast<char>(((index + 1) * 2654435761ULL) >> 13);
        }
        return bytes;
    }

    const QTemporaryDir folder;
    const QString sourcePath = folder.filePath("source.mp3");
    const QString targetPath = folder.filePath("clip.mp3");
    int64_t chunksWritten = 0;
};

TEST_F(ClipFolder, WritesExactlyTheSourceBytesFromTheStartPositionInWholeChunks) {
    const std::tuple<int64_t, int32_t, int32_t, int64_t, int> rows[] { { 48000, 16000, 32000, 16385, 4 },
        { 48000, 1000, 9192, 12289, 3 }, { 48000, 500, 500, 4097, 1 }, { 12289, 1, 8193, 12289, 3 },
        { 10000, 1, 9000, 10000, 3 }, { 10000, 8000, 9999, 2001, 1 }, { 8193, 1, 9000, 8193, 2 },
        { 10000, 10000, 10000, 1, 1 } };
    for (const auto& [sourceLength, startPos, endPos, clipLength, chunks] : rows) {
        SCOPED_TRACE(testing::Message() << sourceLength << " bytes, " << startPos << ".." << endPos);
        const QByteArray source = positionPattern(sourceLength);
        ASSERT_TRUE(writeFile(sourcePath, source));
        QFile::remove(targetPath);
        const auto saved = copy(startPos, endPos, sourcePath, targetPath);
        ASSERT_TRUE(saved) << saved.failure.toStdString();
        EXPECT_EQ(*saved.value, clipLength);
        EXPECT_EQ(contentsOf(targetPath), source.mid(startPos - 1, clipLength));
        EXPECT_EQ(chunksWritten, chunks);
        EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "source.mp3" }));
    }
}

TEST_F(ClipFolder, FailsWithAReasonAndLeavesTheFolderAsItWas) {
    ASSERT_TRUE(writeFile(sourcePath, positionPattern(48000)));
    const std::tuple<const char*, QString, QString, int32_t, int32_t> rows[] {
        { "byte rate of 0", sourcePath, targetPath, 0, 0 }, { "end before start", sourcePath, targetPath, 9000, 8000 },
        { "start after the source's end", sourcePath, targetPath, 48001, 50000 },
        { "source deleted", folder.filePath("deleted.mp3"), targetPath, 1000, 9000 },
        { "source is a folder", folder.path(), targetPath, 1, 9000 },
        { "target folder missing", sourcePath, folder.filePath("gone/clip.mp3"), 1, 9000 }
    };
    for (const auto& [name, source, target, startPos, endPos] : rows) {
        for (const bool targetExists : { false, true }) {
            SCOPED_TRACE(testing::Message() << name << (targetExists ? ", over an existing target" : ""));
            QFile::remove(targetPath);
            ASSERT_TRUE(!targetExists || writeFile(targetPath, "an older clip"));
            const QStringList entriesBefore = folderEntries();
            const auto saved = copy(startPos, endPos, source, target);
            EXPECT_FALSE(saved);
            EXPECT_FALSE(saved.failure.isEmpty());
            EXPECT_EQ(folderEntries(), entriesBefore);
            EXPECT_EQ(contentsOf(targetPath), targetExists ? "an older clip" : "");
            EXPECT_EQ(chunksWritten, 0);
        }
    }
}

// The clip goes through an unnamed file: whether the process ends abruptly or by the program's own end (which
// runs the registered clean-ups), nothing is left behind and an existing target keeps its content.
TEST_F(ClipFolder, LeavesNothingBehindWhenTheProcessEndsDuringTheCopy) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(writeFile(sourcePath, positionPattern(48000)));
    ASSERT_TRUE(writeFile(targetPath, "an older clip"));
    for (const auto& [end, exitCode] :
        { std::pair { +[] { ::_exit(3); }, 3 }, { +[] { platform::endProgramNow(); }, 0 } }) {
        for (const QString& target : { targetPath, folder.filePath("new.mp3") }) {
            EXPECT_EXIT(
                {
                    clip::copyClip(sourcePath, target, 1, 40000, [&](int64_t) { end(); });
                    std::exit(9);
                },
                testing::ExitedWithCode(exitCode), "");
        }
    }
    EXPECT_EQ(contentsOf(targetPath), "an older clip");
    EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "source.mp3" }));
}

TEST_F(ClipFolder, ReplacesTheFileALinkPointsToAndTellsFilesApart) {
    const QByteArray source = positionPattern(48000);
    ASSERT_TRUE(writeFile(sourcePath, source) && writeFile(targetPath, "an older clip"));
    ASSERT_TRUE(QFile::link(targetPath, folder.filePath("link.mp3")));
    ASSERT_TRUE(copy(1000, 2000, sourcePath, folder.filePath("link.mp3")));
    EXPECT_TRUE(QFileInfo(folder.filePath("link.mp3")).isSymLink());
    EXPECT_EQ(contentsOf(targetPath), source.mid(999, 4097));
    EXPECT_FALSE(clip::namesSameFile(sourcePath, targetPath));
    EXPECT_FALSE(clip::namesSameFile(folder.filePath("missing.mp3"), folder.filePath("missing.mp3")));
    EXPECT_TRUE(clip::namesSameFile(folder.filePath("link.mp3"), targetPath));
}

} // namespace
