#include "platform/mci/mci.h"
#include "platform/mci/mp3_decoder.h"
#include "platform/program_end.h"
#include "support/workflow_harness.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <array>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using platform::MessageAnswer;
using test_support::contentsOf;
using test_support::writeFile;

int64_t decodedMilliseconds(const QString& path) {
    const auto opened = mci::Mp3Decoder::open(path.toStdString());
    const auto* decoder = std::get_if<std::unique_ptr<mci::Mp3Decoder>>(&opened);
    return decoder ? mci::framesToMilliseconds((*decoder)->lengthFrames(), (*decoder)->format().sampleRate) : 0;
}

// While alive, the thread is held to file permissions as any user is, also when it runs as root.
struct WithoutPermissionOverride {
    WithoutPermissionOverride() {
        ::syscall(SYS_capget, &header, saved.data());
        auto reduced = saved;
        reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &header, reduced.data());
    }
    ~WithoutPermissionOverride() { ::syscall(SYS_capset, &header, saved.data()); }
    __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
    std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3> saved {};
};

// A constant bit rate file of 48900 bytes that plays 3000 ms: 16 bytes per millisecond once rounded.
class Save : public testing::Test {
public:
    // Clicking Save focuses it, and saving disables it, which moves the focus on: to the Website button.
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        std::filesystem::copy_file(test_support::testDataFile("cbr_128k_44k_stereo.mp3"), sourcePath.toStdString());
        harness.open(sourcePath.toStdString());
        ASSERT_EQ(window.sourceFile, sourcePath);
    }

    void saveAs(const QString& target, int32_t markStart = 1000, int32_t markEnd = 2000) {
        window.markStart = markStart;
        window.markEnd = markEnd;
        harness.messages.clear();
        harness.chooseInNextDialog(target.toStdString());
        harness.click(window.Command7);
    }

    QString messageTexts() const {
        QStringList texts;
        for (const auto& message : harness.messages) {
            texts << message.text;
        }
        return texts.join(" | ");
    }

    QStringList folderEntries() const {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    // The window after every save, saved or not: controls back, the file stopped at its start.
    void expectControlsBack() {
        QString enabled;
        for (const QWidget* control : std::initializer_list<QWidget*> { window.Command1, window.Command2,
                 window.Command4, window.Command5, window.Command6, window.Command7, window.Command9, window.H }) {
            enabled += control->isEnabled() ? "1" : "0";
        }
        EXPECT_EQ(enabled, "11111111");
        EXPECT_EQ(window.windowTitle() + window.Command1->text(), "TuneshearPlay");
        EXPECT_EQ(window.pb->Value() + static_cast<float>(window.H->Value()), 0.0F);
        EXPECT_FALSE(harness.devicePlaying());
        EXPECT_EQ(QApplication::focusWidget(), window.Command7) << "the focus is back where it was";
    }

    test_support::WorkflowHarness harness;
    Form1& window = harness.window();
    const QString folder = harness.folder();
    const QString sourcePath = folder + "/song.mp3";
    const QString targetPath = folder + "/clip.mp3";
    const QByteArray source = contentsOf(test_support::testDataFile("cbr_128k_44k_stereo.mp3").c_str());
};

// The bar counts 4096 a chunk; a small clip is reported once, complete, while the window reads "Saving" and only
// closing and Website can act.
TEST_F(Save, WritesTheSourceBytesFromTheStartMarkOnInChunksWithProgress) {
    const std::tuple<const char*, int32_t, int32_t, int64_t, int64_t, int, float> rows[] {
        { "worked example", 1000, 2000, 16000, 16385, 4, 20097 },
        { "start mark zero, raised to 1 ms", 0, 1000, 16, 16385, 4, 20081 },
        { "running past the source's end", 2900, 3000, 46400, 2501, 1, 5697 },
    };
    for (const auto& [name, markStart, markEnd, firstByte, length, chunks, progressMaximum] : rows) {
        SCOPED_TRACE(name);
        const QString target = folder + "/" + name + ".mp3";
        QStringList progress;
        harness.duringWait = [&] {
            progress << window.windowTitle() + QString::number(window.pb->Value())
                    + (window.Command7->isEnabled() || window.H->isEnabled() ? " enabled" : "");
        };
        saveAs(target, markStart, markEnd);
        EXPECT_EQ(progress, QStringList { "Saving" + QString::number(4096 * chunks) });
        EXPECT_EQ(contentsOf(target), source.mid(firstByte - 1, length));
        EXPECT_EQ(messageTexts(), "Clip Saved");
        EXPECT_EQ(window.pb->Max(), progressMaximum);
        EXPECT_EQ(window.markStart, std::max(markStart, 1));
        EXPECT_EQ(window.Cdlg->FileName, target);
        expectControlsBack();
    }
    const auto& request = harness.fileRequests.back();
    EXPECT_EQ(request.title + request.filters.front().patterns.join(""), "Save*.mp3");
}

// The clip holds no tag byte: it equals the cut of the same file without tags, and decodes to the selection.
TEST_F(Save, CutsTheAudioBetweenACoverPictureAndAnId3v1TagAsInAFileWithoutTags) {
    const QString coverPath = folder + "/cover.mp3";
    ASSERT_TRUE(writeFile(coverPath, test_support::id3v2Tag(1'000'000) + source + "TAG" + QByteArray(125, 't')));
    harness.open(coverPath.toStdString());
    for (const auto& [markStart, markEnd, firstByte, length] :
        { std::tuple { 0, 1000, 16, 16385 }, { 1000, 2000, 16000, 16385 }, { 2700, 3000, 43200, 5701 } }) {
        const QString target = folder + QStringLiteral("/clip from %1.mp3").arg(markStart);
        saveAs(target, markStart, markEnd);
        EXPECT_EQ(messageTexts(), "Clip Saved");
        EXPECT_EQ(contentsOf(target), source.mid(firstByte - 1, length)) << markStart;
        EXPECT_NEAR(decodedMilliseconds(target), markEnd - markStart, 60);
    }
}

TEST_F(Save, WritesStraightIntoAnExistingTargetWhereTheFolderForbidsNewFiles) {
    ASSERT_TRUE(writeFile(targetPath, QByteArray(100'000, 'x')));
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    harness.messageAnswers = { MessageAnswer::Yes };
    QString messages;
    {
        const WithoutPermissionOverride asAnyUser;
        saveAs(targetPath);
        messages = messageTexts();
        saveAs(folder + "/new.mp3");
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(contentsOf(targetPath), source.mid(15999, 16385));
    EXPECT_EQ(messages, "File already exist.Overwrite? | Clip Saved");
    EXPECT_TRUE(messageTexts().contains("Permission denied")) << messageTexts().toStdString();
    EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "song.mp3" }));
}

TEST_F(Save, AWrongSelectionIsRefusedAndACancelledSaveKeepsEverything) {
    window.markStart = window.markEnd = 2000;
    harness.click(window.Command7);
    EXPECT_EQ(messageTexts(), "Wrong Selection");
    EXPECT_EQ(harness.fileRequests.size(), 1U);
    EXPECT_TRUE(harness.devicePlaying());

    window.Cdlg->FileName = "earlier.mp3";
    window.markStart = 0;
    harness.messages.clear();
    harness.click(window.Command7);
    EXPECT_EQ(window.markStart, 1);
    EXPECT_EQ(messageTexts(), "");
    EXPECT_TRUE(window.Cdlg->FileName.isEmpty());
    EXPECT_EQ(folderEntries(), QStringList { "song.mp3" });
    expectControlsBack();
}

TEST_F(Save, RefusesTheOpenedFileUnderEverySpelling) {
    ASSERT_TRUE(QDir(folder).mkdir("sub"));
    ASSERT_TRUE(QFile::link(sourcePath, folder + "/link.mp3"));
    ASSERT_EQ(::link(sourcePath.toLocal8Bit().constData(), (folder + "/hard.mp3").toLocal8Bit().constData()), 0);
    for (const QString& spelling : { sourcePath, QDir::current().relativeFilePath(sourcePath),
             folder + "/./sub/../song.mp3", folder + "/link.mp3", folder + "/hard.mp3" }) {
        saveAs(spelling);
        EXPECT_EQ(messageTexts(), "Cannot overwrite file in use...") << spelling.toStdString();
        EXPECT_TRUE(window.Cdlg->FileName.isEmpty());
    }
    EXPECT_EQ(contentsOf(sourcePath), source);
    expectControlsBack();
}

TEST_F(Save, AsksBeforeReplacingAnExistingTargetAndKeepsItsPermissions) {
    ASSERT_TRUE(writeFile(targetPath, "an older clip"));
    ASSERT_TRUE(QFile::setPermissions(targetPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const auto permissions = QFile::permissions(targetPath);
    harness.messageAnswers = { MessageAnswer::No };
    saveAs(targetPath);
    EXPECT_EQ(messageTexts(), "File already exist.Overwrite?");
    EXPECT_EQ(harness.messages[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(contentsOf(targetPath), "an older clip");
    EXPECT_TRUE(window.Cdlg->FileName.isEmpty());

    harness.messageAnswers = { MessageAnswer::Yes };
    saveAs(targetPath);
    EXPECT_EQ(messageTexts(), "File already exist.Overwrite? | Clip Saved");
    EXPECT_EQ(contentsOf(targetPath), source.mid(15999, 16385));
    EXPECT_EQ(QFile::permissions(targetPath), permissions);
    EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "song.mp3" }));
}

TEST_F(Save, ClosingTheWindowDuringTheCopyEndsTheProgramAndLeavesTheFilesAsTheyWere) {
    ASSERT_TRUE(writeFile(targetPath, "an older clip"));
    harness.messageAnswers = { MessageAnswer::Yes };
    QString atTheEnd;
    harness.duringWait = [&] {
        if (atTheEnd.isEmpty()) {
            window.close();
            platform::runProgramEndCleanups();
            atTheEnd = folderEntries().join(" ") + " " + contentsOf(targetPath);
        }
    };
    saveAs(targetPath);
    EXPECT_EQ(harness.programEnds, 1);
    EXPECT_EQ(atTheEnd, "clip.mp3 song.mp3 an older clip");
}

// Files written past 8192 bytes fail with "File too large" instead of ending the process, while this lives.
struct FileSizeLimit {
    explicit FileSizeLimit(bool active) {
        ::getrlimit(RLIMIT_FSIZE, &previous);
        if (active) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limited { 8192, previous.rlim_max };
            ::setrlimit(RLIMIT_FSIZE, &limited);
        }
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &previous); }
    rlimit previous {};
};

TEST_F(Save, AFailureSaysWhyOnceAndLeavesTheFolderAsItWas) {
    enum Limit { None, FileSize };
    const std::tuple<const char*, std::function<bool()>, Limit, const char*> rows[] {
        { "source deleted", [&] { return QFile::remove(sourcePath); }, None, "No such file or directory" },
        { "source replaced by a folder", [&] { return QFile::remove(sourcePath) && QDir().mkdir(sourcePath); }, None,
            "not a regular file" },
        { "byte rate rounds to 0", [&] { return writeFile(sourcePath, source.left(1000)); }, None,
            "The selection holds no bytes" },
        { "media length 0",
            [&] {
                harness.replyOnceInstead("status movie length", "0");
                return true;
            },
            None, "The media length is 0 ms" },
        { "write error", [] { return true; }, FileSize, "File too large" },
        { "write error over an existing target", [&] { return writeFile(targetPath, "an older clip"); }, FileSize,
            "File too large" },
        { "media length unknown", [] { return mciSendStringA("close movie", nullptr, 0, nullptr) == 0; }, None,
            "playing time" },
    };
    for (const auto& [name, arrange, limit, reason] : rows) {
        SCOPED_TRACE(name);
        QFile::remove(sourcePath);
        ASSERT_TRUE(writeFile(sourcePath, source) && arrange());
        const QStringList entriesBefore = folderEntries();
        const QByteArray targetBefore = contentsOf(targetPath);
        harness.messageAnswers = { MessageAnswer::Yes };
        {
            const FileSizeLimit fileSize(limit == FileSize);
            saveAs(targetPath);
        }
        EXPECT_EQ(
            messageTexts().remove("File already exist.Overwrite? | ").section(": ", 0, 0), "The clip was not saved");
        EXPECT_TRUE(messageTexts().contains(reason)) << messageTexts().toStdString();
        EXPECT_TRUE(window.Cdlg->FileName.isEmpty());
        EXPECT_EQ(folderEntries(), entriesBefore);
        EXPECT_EQ(contentsOf(targetPath), targetBefore);
        expectControlsBack();
        QDir().rmdir(sourcePath);
    }
}

} // namespace
