#include "platform/program_end.h"
#include "support/child_process.h"
#include "workflow/clip_copy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Every byte tells where it sits, so a clip shifted by any amount shows at once.
QByteArray positionPattern(int64_t length) {
    QByteArray bytes(length, '\0');
    for (int64_t index = 0; index < length; ++index) {
        const uint64_t position = index + 1;
        bytes[static_cast<qsizetype>(index)] = static_cast<char>((position * 2654435761ULL) >> 13);
    }
    return bytes;
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Source bytes from 1-based position `from` on, as the clip should hold them.
QByteArray sourceBytes(const QByteArray& source, int64_t from, int64_t length) {
    return source.mid(from - 1, length);
}

class ClipFolder : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        writeFile(sourcePath, source);
    }

    QStringList folderEntries() const {
        return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    clip::Result<int64_t> copy(int32_t startPos, int32_t endPos) {
        return clip::copyClip(sourcePath, targetPath, startPos, endPos, [this] { ++chunksWritten; });
    }

    const QTemporaryDir folder;
    const QString sourcePath = folder.filePath("source.mp3");
    const QString targetPath = folder.filePath("clip.mp3");
    QByteArray source = positionPattern(48000);
    int chunksWritten = 0;
};

TEST_F(ClipFolder, SavesTheWorkedExampleSelection) {
    const auto rate = clip::bytesPerMillisecondOfFile(sourcePath, 3000);
    ASSERT_TRUE(rate);
    const auto range = clip::clipRange(*rate.value, 1000, 2000);
    ASSERT_TRUE(range);

    const auto saved = copy(range.value->startPos, range.value->endPos);

    ASSERT_TRUE(saved) << saved.failure.toStdString();
    EXPECT_EQ(*saved.value, 16385);
    const QByteArray clip = contentsOf(targetPath);
    EXPECT_EQ(clip, sourceBytes(source, 16000, 16385));
    ASSERT_EQ(clip.size(), 16385);
    EXPECT_EQ(clip.back(), source.at(32384 - 1));
    EXPECT_EQ(chunksWritten, 4);
}

struct CopyRow {
    const char* name;
    int64_t sourceLength;
    int32_t startPos;
    int32_t endPos;
    int64_t clipLength;
    int chunks;
};

class ClipCopy : public ClipFolder, public testing::WithParamInterface<CopyRow> { };

TEST_P(ClipCopy, WritesExactlyTheSourceBytesFromTheStartPosition) {
    source = positionPattern(GetParam().sourceLength);
    writeFile(sourcePath, source);

    const auto saved = copy(GetParam().startPos, GetParam().endPos);

    ASSERT_TRUE(saved) << saved.failure.toStdString();
    EXPECT_EQ(*saved.value, GetParam().clipLength);
    const QByteArray clip = contentsOf(targetPath);
    ASSERT_EQ(clip.size(), GetParam().clipLength);
    EXPECT_EQ(clip, sourceBytes(source, GetParam().startPos, GetParam().clipLength));
    EXPECT_EQ(chunksWritten, GetParam().chunks);
}

INSTANTIATE_TEST_SUITE_P(Selections, ClipCopy,
    testing::Values(CopyRow { "ExactMultipleOfTheAdvance", 48000, 1000, 9192, 12289, 3 },
        CopyRow { "FromTheFirstByte", 48000, 1, 100, 4097, 1 },
        CopyRow { "StartAndEndEqual", 48000, 500, 500, 4097, 1 },
        CopyRow { "EndsAtTheLastByteOfTheSource", 12289, 1, 8193, 12289, 3 },
        CopyRow { "StopsInsideTheLastChunkAtTheSourceEnd", 10000, 1, 9000, 10000, 3 },
        CopyRow { "StopsInsideTheFirstChunkAtTheSourceEnd", 10000, 8000, 9999, 2001, 1 },
        CopyRow { "StopsWhereAChunkEndsWithTheSource", 8193, 1, 9000, 8193, 2 },
        CopyRow { "StartsAtTheLastByteOfTheSource", 10000, 10000, 10000, 1, 1 }),
    [](const testing::TestParamInfo<CopyRow>& row) { return row.param.name; });

struct FailureRow {
    const char* name;
    int32_t startPos;
    int32_t endPos;
};

class ClipCopyRefusal : public ClipFolder, public testing::WithParamInterface<FailureRow> { };

TEST_P(ClipCopyRefusal, LeavesTheExistingTargetUntouched) {
    const QByteArray oldTarget("an older clip the user wants to keep");
    writeFile(targetPath, oldTarget);

    const auto saved = copy(GetParam().startPos, GetParam().endPos);

    EXPECT_FALSE(saved);
    EXPECT_FALSE(saved.failure.isEmpty());
    EXPECT_EQ(contentsOf(targetPath), oldTarget);
    EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "source.mp3" }));
    EXPECT_EQ(chunksWritten, 0);
}

INSTANTIATE_TEST_SUITE_P(Selections, ClipCopyRefusal,
    testing::Values(FailureRow { "ByteRateOfZero", 0, 0 }, // both marks scaled by 0
        FailureRow { "StartBeforeTheFirstByte", -4096, 8000 }, FailureRow { "EndBeforeStart", 9000, 8000 },
        FailureRow { "StartAfterTheSourceEnd", 48001, 50000 }),
    [](const testing::TestParamInfo<FailureRow>& row) { return row.param.name; });

TEST_F(ClipFolder, CreatesNoFileWhenTheSelectionYieldsNoBytes) {
    EXPECT_FALSE(copy(0, 0));
    EXPECT_FALSE(copy(60000, 70000));
    EXPECT_EQ(folderEntries(), QStringList({ "source.mp3" }));
}

TEST_F(ClipFolder, FailsWhenTheSourceWasDeleted) {
    writeFile(targetPath, "kept");
    ASSERT_TRUE(QFile::remove(sourcePath));

    const auto saved = copy(1000, 9000);

    EXPECT_FALSE(saved);
    EXPECT_TRUE(saved.failure.contains("No such file")) << saved.failure.toStdString();
    EXPECT_EQ(contentsOf(targetPath), "kept");
    EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3" }));
}

TEST_F(ClipFolder, FailsWhenTheSourceCannotBeRead) {
    writeFile(targetPath, "kept");
    const QString unreadableSource = folder.filePath("folder.mp3");
    ASSERT_TRUE(QDir().mkdir(unreadableSource));

    const auto saved = clip::copyClip(unreadableSource, targetPath, 1, 9000, [this] { ++chunksWritten; });

    EXPECT_FALSE(saved);
    EXPECT_FALSE(saved.failure.isEmpty());
    EXPECT_EQ(contentsOf(targetPath), "kept");
    EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "folder.mp3", "source.mp3" }));
}

TEST_F(ClipFolder, FailsWhenTheTargetFolderIsMissing) {
    const auto saved = clip::copyClip(sourcePath, folder.filePath("gone/clip.mp3"), 1, 9000, [] {});

    EXPECT_FALSE(saved);
    EXPECT_FALSE(saved.failure.isEmpty());
    EXPECT_EQ(folderEntries(), QStringList({ "source.mp3" }));
}

TEST_F(ClipFolder, LeavesTheExistingTargetUntouchedWhenAWriteFails) {
    const QByteArray oldTarget = positionPattern(100);
    writeFile(targetPath, oldTarget);

    const auto child = test_support::runInChildProcess([this] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fileSizeLimit { 8192, 8192 };
        ::setrlimit(RLIMIT_FSIZE, &fileSizeLimit);
        const auto saved = clip::copyClip(sourcePath, targetPath, 1000, 17000, [] {});
        return saved ? QByteArray("saved") : saved.failure.toUtf8();
    });

    ASSERT_TRUE(child.exitedNormally);
    EXPECT_TRUE(child.report.contains("File too large")) << child.report.toStdString();
    EXPECT_EQ(contentsOf(targetPath), oldTarget);
    EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "source.mp3" }));
}

TEST_F(ClipFolder, LeavesNothingBehindWhenTheProcessEndsDuringTheCopy) {
    const QByteArray oldTarget("an older clip the user wants to keep");
    const QString existingTargetPath = folder.filePath("existing.mp3");
    writeFile(existingTargetPath, oldTarget);

    for (const QString& target : { targetPath, existingTargetPath }) {
        const auto child = test_support::runInChildProcess([&] {
            int chunks = 0;
            clip::copyClip(sourcePath, target, 1, 40000, [&chunks] {
                if (++chunks == 2) {
                    ::_exit(3);
                }
            });
            return QByteArray("the copy ran to its end");
        });

        ASSERT_TRUE(child.exitedNormally);
        EXPECT_EQ(child.exitCode, 3) << child.report.toStdString();
    }
    EXPECT_EQ(contentsOf(existingTargetPath), oldTarget);
    EXPECT_EQ(folderEntries(), QStringList({ "existing.mp3", "source.mp3" }));
}

TEST_F(ClipFolder, LeavesNothingBehindWhenTheProgramIsEndedDuringTheCopy) {
    const QByteArray oldTarget("an older clip the user wants to keep");
    writeFile(targetPath, oldTarget);

    const auto child = test_support::runInChildProcess([this] {
        int chunks = 0;
        clip::copyClip(sourcePath, targetPath, 1, 40000, [&chunks] {
            if (++chunks == 2) {
                platform::endProgramNow();
            }
        });
        return QByteArray("the copy ran to its end");
    });

    ASSERT_TRUE(child.exitedNormally);
    EXPECT_TRUE(child.report.isEmpty()) << child.report.toStdString();
    EXPECT_EQ(contentsOf(targetPath), oldTarget);
    EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "source.mp3" }));
}

TEST_F(ClipFolder, KeepsThePermissionsOfAReplacedTarget) {
    writeFile(targetPath, positionPattern(100'000));
    ASSERT_TRUE(QFile::setPermissions(targetPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const auto permissions = QFile::permissions(targetPath);
    ASSERT_FALSE(permissions & QFileDevice::ReadOther);

    const auto saved = copy(1000, 2000);

    ASSERT_TRUE(saved) << saved.failure.toStdString();
    EXPECT_EQ(contentsOf(targetPath), sourceBytes(source, 1000, 4097));
    EXPECT_EQ(QFile::permissions(targetPath), permissions);
}

TEST_F(ClipFolder, ReplacesTheFileASymbolicLinkPointsTo) {
    const QString linkPath = folder.filePath("link.mp3");
    writeFile(targetPath, "old clip");
    ASSERT_TRUE(QFile::link(targetPath, linkPath));

    const auto saved = clip::copyClip(sourcePath, linkPath, 1000, 2000, [] {});

    ASSERT_TRUE(saved) << saved.failure.toStdString();
    EXPECT_TRUE(QFileInfo(linkPath).isSymLink());
    EXPECT_EQ(contentsOf(targetPath), sourceBytes(source, 1000, 4097));
}

TEST_F(ClipFolder, RecognisesTheSameFileUnderAnyPath) {
    const QString linkPath = folder.filePath("link.mp3");
    const QString hardLinkPath = folder.filePath("hard.mp3");
    ASSERT_TRUE(QFile::link(sourcePath, linkPath));
    ASSERT_EQ(::link(QFile::encodeName(sourcePath).constData(), QFile::encodeName(hardLinkPath).constData()), 0);
    ASSERT_TRUE(QDir().mkdir(folder.filePath("sub")));

    EXPECT_TRUE(clip::namesSameFile(sourcePath, sourcePath));
    EXPECT_TRUE(clip::namesSameFile(sourcePath, QDir::current().relativeFilePath(sourcePath)));
    EXPECT_TRUE(clip::namesSameFile(sourcePath, folder.path() + "/./sub/../source.mp3"));
    EXPECT_TRUE(clip::namesSameFile(linkPath, sourcePath));
    EXPECT_TRUE(clip::namesSameFile(sourcePath, hardLinkPath));
}

TEST_F(ClipFolder, TellsDifferentFilesApart) {
    const QString copyPath = folder.filePath("copy.mp3");
    ASSERT_TRUE(QFile::copy(sourcePath, copyPath));

    EXPECT_FALSE(clip::namesSameFile(sourcePath, copyPath));
    EXPECT_FALSE(clip::namesSameFile(sourcePath, folder.filePath("missing.mp3")));
    EXPECT_FALSE(clip::namesSameFile(folder.filePath("missing.mp3"), folder.filePath("missing.mp3")));
}

} // namespace
