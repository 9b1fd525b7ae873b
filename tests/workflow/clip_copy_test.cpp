#include "platform/program_end.h"
#include "support/child_process.h"
#include "workflow/clip_copy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
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
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
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

    clip::Result<int64_t> copy(int32_t startPos, int32_t endPos, const QString& from, const QString& to) {
        return clip::copyClip(from, to, startPos, endPos, [this](int64_t chunks) { chunksWritten = chunks; });
    }

    const QTemporaryDir folder;
    const QString sourcePath = folder.filePath("source.mp3");
    const QString targetPath = folder.filePath("clip.mp3");
    const QByteArray oldTarget = "an older clip the user wants to keep";
    QByteArray source = positionPattern(48000);
    int64_t chunksWritten = 0;
};

TEST_F(ClipFolder, WritesExactlyTheSourceBytesFromTheStartPositionInWholeChunks) {
    struct Row {
        const char* name;
        int64_t sourceLength;
        int32_t startPos;
        int32_t endPos;
        int64_t clipLength;
        int chunks;
    };
    for (const Row& row :
        std::initializer_list<Row> { { "worked example: 16 bytes/ms, 1000..2000 ms", 48000, 16000, 32000, 16385, 4 },
            { "exact multiple of the advance", 48000, 1000, 9192, 12289, 3 },
            { "from the first byte", 48000, 1, 100, 4097, 1 }, { "start and end equal", 48000, 500, 500, 4097, 1 },
            { "ends at the last byte of the source", 12289, 1, 8193, 12289, 3 },
            { "stops inside the last chunk at the source end", 10000, 1, 9000, 10000, 3 },
            { "stops inside the first chunk at the source end", 10000, 8000, 9999, 2001, 1 },
            { "stops where a chunk ends with the source", 8193, 1, 9000, 8193, 2 },
            { "starts at the last byte of the source", 10000, 10000, 10000, 1, 1 } }) {
        SCOPED_TRACE(row.name);
        source = positionPattern(row.sourceLength);
        writeFile(sourcePath, source);
        QFile::remove(targetPath);
        chunksWritten = 0;

        const auto saved = copy(row.startPos, row.endPos, sourcePath, targetPath);

        ASSERT_TRUE(saved) << saved.failure.toStdString();
        EXPECT_EQ(*saved.value, row.clipLength);
        EXPECT_EQ(contentsOf(targetPath), source.mid(row.startPos - 1, row.clipLength));
        EXPECT_EQ(chunksWritten, row.chunks);
        EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "source.mp3" }));
    }
}

TEST_F(ClipFolder, FailsWithAReasonAndLeavesTheFolderAsItWas) {
    ASSERT_TRUE(QDir().mkdir(folder.filePath("folder.mp3")));
    struct Row {
        const char* name;
        QString source;
        QString target;
        int32_t startPos;
        int32_t endPos;
        const char* reasonPart;
    };
    for (const Row& row : std::initializer_list<Row> { { "byte rate of 0", sourcePath, targetPath, 0, 0, "" },
             { "start before the first byte", sourcePath, targetPath, -4096, 8000, "" },
             { "end before start", sourcePath, targetPath, 9000, 8000, "" },
             { "start after the source end", sourcePath, targetPath, 48001, 50000, "" },
             { "selection past the source end", sourcePath, targetPath, 60000, 70000, "" },
             { "source deleted", folder.filePath("deleted.mp3"), targetPath, 1000, 9000, "No such file" },
             { "source unreadable", folder.filePath("folder.mp3"), targetPath, 1, 9000, "" },
             { "target folder missing", sourcePath, folder.filePath("gone/clip.mp3"), 1, 9000, "" } }) {
        for (const bool targetExists : { false, true }) {
            SCOPED_TRACE(testing::Message() << row.name << (targetExists ? ", over an existing target" : ""));
            QFile::remove(targetPath);
            if (targetExists) {
                writeFile(targetPath, oldTarget);
            }
            const QStringList entriesBefore = folderEntries();
            chunksWritten = 0;

            const auto saved = copy(row.startPos, row.endPos, row.source, row.target);

            EXPECT_FALSE(saved);
            EXPECT_FALSE(saved.failure.isEmpty());
            EXPECT_TRUE(saved.failure.contains(row.reasonPart)) << saved.failure.toStdString();
            EXPECT_EQ(folderEntries(), entriesBefore);
            EXPECT_EQ(contentsOf(targetPath), targetExists ? oldTarget : QByteArray());
            EXPECT_EQ(chunksWritten, 0);
        }
    }
}

TEST_F(ClipFolder, LeavesNothingBehindWhenTheProcessEndsDuringTheCopy) {
    const QString existingTargetPath = folder.filePath("existing.mp3");
    writeFile(existingTargetPath, oldTarget);
    struct Ending {
        const char* name;
        void (*end)();
        int exitCode;
    };
    for (const Ending& ending : std::initializer_list<Ending> {
             { "abruptly", [] { ::_exit(3); }, 3 }, { "by the program", [] { platform::endProgramNow(); }, 0 } }) {
        for (const QString& target : { targetPath, existingTargetPath }) {
            SCOPED_TRACE(testing::Message() << ending.name << " writing " << target.toStdString());
            const auto child = test_support::runInChildProcess([&] {
                clip::copyClip(sourcePath, target, 1, 40000, [&](int64_t) { ending.end(); });
                return QByteArray("the copy ran to its end");
            });

            ASSERT_TRUE(child.exitedNormally);
            EXPECT_EQ(child.exitCode, ending.exitCode);
            EXPECT_TRUE(child.report.isEmpty()) << child.report.toStdString();
        }
    }
    EXPECT_EQ(contentsOf(existingTargetPath), oldTarget);
    EXPECT_EQ(folderEntries(), QStringList({ "existing.mp3", "source.mp3" }));
}

TEST_F(ClipFolder, ReplacesTheFileASymbolicLinkPointsTo) {
    const QString linkPath = folder.filePath("link.mp3");
    writeFile(targetPath, oldTarget);
    ASSERT_TRUE(QFile::link(targetPath, linkPath));

    const auto saved = copy(1000, 2000, sourcePath, linkPath);

    ASSERT_TRUE(saved) << saved.failure.toStdString();
    EXPECT_TRUE(QFileInfo(linkPath).isSymLink());
    EXPECT_EQ(contentsOf(targetPath), source.mid(1000 - 1, 4097));
}

TEST_F(ClipFolder, TellsDifferentFilesApart) {
    const QString copyPath = folder.filePath("copy.mp3");
    ASSERT_TRUE(QFile::copy(sourcePath, copyPath));

    EXPECT_FALSE(clip::namesSameFile(sourcePath, copyPath));
    EXPECT_FALSE(clip::namesSameFile(sourcePath, folder.filePath("missing.mp3")));
    EXPECT_FALSE(clip::namesSameFile(folder.filePath("missing.mp3"), folder.filePath("missing.mp3")));
}

} // namespace
