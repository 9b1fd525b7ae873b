#include "support/mp3_fixtures.h"
#include "workflow/clip_copy.h"
#include "workflow/source_check.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

namespace {

using test_support::contentsOf;
using test_support::writeFile;

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

// Every byte tells where it sits, so a clip shifted by any amount shows at once.
QByteArray numberedBytes(int64_t length) {
    QByteArray bytes(length, '\0');
    for (int64_t index = 0; index < length; ++index) {
        bytes[static_cast<qsizetype>(index)] = static_cast<char>(((index + 1) * 2654435761ULL) >> 13);
    }
    return bytes;
}

QString filesIn(const QTemporaryDir& folder) {
    return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).join(' ');
}

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

TEST(ClipCopy, WritesExactlyTheSourceBytesFromTheStartPositionInWholeChunks) {
    const QTemporaryDir folder;
    const std::tuple<int64_t, int32_t, int32_t, int64_t, int> rows[] { { 48000, 16000, 32000, 16385, 4 },
        { 48000, 1000, 9192, 12289, 3 }, { 48000, 500, 500, 4097, 1 }, { 12289, 1, 8193, 12289, 3 },
        { 10000, 1, 9000, 10000, 3 }, { 10000, 8000, 9999, 2001, 1 }, { 8193, 1, 9000, 8193, 2 },
        { 10000, 10000, 10000, 1, 1 } };
    for (const auto& [sourceLength, startPos, endPos, clipLength, chunks] : rows) {
        SCOPED_TRACE(testing::Message() << sourceLength << " bytes, " << startPos << ".." << endPos);
        const QByteArray source = numberedBytes(sourceLength);
        ASSERT_TRUE(writeFile(folder.filePath("source.mp3"), source));
        int64_t chunksWritten = 0;
        const auto saved = clip::copyClip(folder.filePath("source.mp3"), folder.filePath("clip.mp3"), startPos, endPos,
            [&](int64_t chunks) { chunksWritten = chunks; });
        ASSERT_TRUE(saved) << saved.failure.toStdString();
        EXPECT_EQ(*saved.value, clipLength);
        EXPECT_EQ(contentsOf(folder.filePath("clip.mp3")), source.mid(startPos - 1, clipLength));
        EXPECT_EQ(chunksWritten, chunks);
    }
    EXPECT_FALSE(
        clip::copyClip(folder.filePath("source.mp3"), folder.filePath("clip.mp3"), 9000, 8000, [](int64_t) {}));
}

// A source cut short, or rewritten in place, after the first block: no clip, and an older one stays as it was.
TEST(ClipCopy, FailsAndLeavesNothingWhenTheSourceChangesMeanwhile) {
    const QTemporaryDir folder;
    const QString sourcePath = folder.filePath("source.mp3");
    const QByteArray source = numberedBytes(3 << 20);
    const auto rewriteInPlace = [&] {
        QFile file(sourcePath);
        file.open(QIODevice::ReadWrite);
        file.write("rewritten");
        file.flush();
        file.setFileTime(
            file.fileTime(QFileDevice::FileModificationTime).addSecs(2), QFileDevice::FileModificationTime);
    };
    const std::tuple<std::function<void()>, std::optional<QByteArray>> rows[] {
        { [&] { QFile::resize(sourcePath, 3 << 19); }, std::nullopt },
        { [&] { QFile::resize(sourcePath, 3 << 19); }, "an older clip" }, { rewriteInPlace, std::nullopt },
        { rewriteInPlace, "an older clip" }
    };
    for (const auto& [change, olderClip] : rows) {
        ASSERT_TRUE(writeFile(sourcePath, source));
        QFile::remove(folder.filePath("clip.mp3"));
        if (olderClip) {
            writeFile(folder.filePath("clip.mp3"), *olderClip);
        }
        bool changed = false;
        const auto saved = clip::copyClip(
            sourcePath, folder.filePath("clip.mp3"), 1, source.size() - 1,
            [&](int64_t) {
                if (!std::exchange(changed, true)) {
                    change();
                }
            },
            source.size());
        EXPECT_EQ(saved.failure, workflow::changedSinceOpenedReason(sourcePath));
        EXPECT_EQ(filesIn(folder), olderClip ? "clip.mp3 source.mp3" : "source.mp3");
        EXPECT_EQ(contentsOf(folder.filePath("clip.mp3")), olderClip.value_or(QByteArray()));
    }
}

// A name as long as the folder allows, with a file under it or not; a file that appears under the name while the
// clip is written is replaced only after a yes. No temporary file stays behind.
TEST(ClipCopy, PutsTheClipUnderAnyNameAndReplacesAFileThatAppearedOnlyWhenAllowed) {
    const QByteArray source = numberedBytes(48000);
    const std::tuple<int, bool, bool, bool> rows[] { { 255, false, false, false }, { 255, true, false, true },
        { 8, false, true, false }, { 8, false, true, true } };
    for (const auto& [nameLength, there, appears, replace] : rows) {
        SCOPED_TRACE(testing::Message() << nameLength << (there ? " there" : "") << (appears ? " appears" : ""));
        const QTemporaryDir folder;
        ASSERT_TRUE(writeFile(folder.filePath("source.mp3"), source));
        const QString name = QString(nameLength - 4, 'n') + ".mp3";
        const QString target = folder.filePath(name);
        if (there) {
            writeFile(target, "older");
        }
        int asked = 0;
        const auto saved = clip::copyClip(
            folder.filePath("source.mp3"), target, 1, 9000,
            [&](int64_t) { appears && !QFile::exists(target) && writeFile(target, "appeared"); }, clip::kSourceEnd,
            [&] { return ++asked, replace; });
        EXPECT_EQ(asked, there || appears ? 1 : 0);
        EXPECT_EQ(saved.failure, QString());
        EXPECT_EQ(contentsOf(target), replace || !(there || appears) ? source.first(12289) : "appeared");
        EXPECT_EQ(filesIn(folder), name + " source.mp3");
    }
}

} // namespace
