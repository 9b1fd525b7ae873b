#include "platform/mci/mci.h"
#include "platform/program_end.h"
#include "support/mp3_fixtures.h"
#include "support/workflow_harness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
using test_support::WorkflowHarness;

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Files written past `bytes` fail with "File too large" instead of ending the process, until this goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited { bytes, previous_.rlim_max };
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_ {};
    void (*previousHandler_)(int) = nullptr;
};

// While alive, the calling thread is held to file permissions as any user is, also when it runs as root.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride() {
        ::syscall(SYS_capget, &header_, saved_.data());
        auto reduced = saved_;
        reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &header_, reduced.data());
    }
    ~WithoutPermissionOverride() { ::syscall(SYS_capset, &header_, saved_.data()); }
    WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
    WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

private:
    __user_cap_header_struct header_ { _LINUX_CAPABILITY_VERSION_3, 0 };
    std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3> saved_ {};
};

// A constant bit rate file of 48900 bytes that plays 3000 ms: 16 bytes per millisecond once rounded.
class Save : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(test_support::testDataFile("cbr_128k_44k_stereo.mp3"), sourcePath.toStdString());
        source = contentsOf(sourcePath);
        ASSERT_EQ(source.size(), 48900);
        harness.open(sourcePath.toStdString());
        ASSERT_EQ(window.sourceFile, sourcePath);
        ASSERT_TRUE(harness.fakes().messages.empty());
    }

    void select(int32_t startMs, int32_t endMs) {
        window.markStart = startMs;
        window.markEnd = endMs;
    }

    void saveAs(const QString& target) {
        harness.chooseInNextDialog(target.toStdString());
        harness.click(window.Command7);
    }

    // Source bytes from 1-based position `from` on.
    QByteArray sourceBytes(int64_t from, int64_t length) const { return source.mid(from - 1, length); }

    QStringList messageTexts() {
        QStringList texts;
        for (const auto& message : harness.fakes().messages) {
            texts.append(message.text);
        }
        return texts;
    }

    QStringList folderEntries() const {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    void expectControlsBack() {
        EXPECT_EQ(window.windowTitle(), "Tuneshear");
        EXPECT_EQ(window.pb->Value(), 0);
        for (const QPushButton* button : { window.Command1, window.Command2, window.Command4, window.Command5,
                 window.Command6, window.Command7, window.Command9 }) {
            EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
        }
        EXPECT_TRUE(window.H->isEnabled());
        EXPECT_EQ(window.H->Value(), 0);
        EXPECT_EQ(window.Command1->text(), "Play");
        EXPECT_FALSE(harness.devicePlaying());
    }

    void expectNotSaved(const QString& reasonPart) {
        ASSERT_EQ(harness.fakes().messages.size(), 1u) << messageTexts().join(" | ").toStdString();
        const QString text = harness.fakes().messages.back().text;
        EXPECT_TRUE(text.startsWith("The clip was not saved: ")) << text.toStdString();
        EXPECT_TRUE(text.contains(reasonPart)) << text.toStdString();
        EXPECT_EQ(harness.fakes().messages.back().buttons, platform::MessageButtons::Ok);
        EXPECT_TRUE(window.Cdlg->FileName.isEmpty());
        expectControlsBack();
    }

    WorkflowHarness harness;
    Form1& window = harness.window();
    const QString folder = QString::fromStdString(harness.folder().string());
    const QString sourcePath = folder + "/song.mp3";
    const QString targetPath = folder + "/clip.mp3";
    QByteArray source;
};

TEST_F(Save, WritesTheWorkedExampleAndReportsItSaved) {
    select(1000, 2000);
    std::vector<float> progress;
    QStringList captions;
    std::vector<bool> saveEnabled;
    harness.fakes().duringWait = [&] {
        progress.push_back(window.pb->Value());
        captions.append(window.windowTitle());
        saveEnabled.push_back(window.Command7->isEnabled() || window.H->isEnabled());
    };

    saveAs(targetPath);

    EXPECT_EQ(contentsOf(targetPath), sourceBytes(16000, 16385));
    EXPECT_EQ(messageTexts(), QStringList { "Clip Saved" });
    EXPECT_EQ(window.pb->Max(), 20097.0f);
    EXPECT_EQ(progress, std::vector<float>({ 4096, 8192, 12288, 16384 }));
    EXPECT_EQ(captions, QStringList(4, "Saving"));
    EXPECT_EQ(saveEnabled, std::vector<bool>(4, false));
    EXPECT_EQ(window.Cdlg->FileName, targetPath);
    EXPECT_EQ(window.markStart, 1000);
    EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "song.mp3" }));
    expectControlsBack();

    ASSERT_EQ(harness.fakes().fileRequests.size(), 2u);
    const auto& request = harness.fakes().fileRequests.back();
    EXPECT_EQ(request.kind, platform::FileDialogKind::Save);
    EXPECT_EQ(request.title, "Save");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.filters.front().patterns, QStringList { "*.mp3" });
}

struct ClipCase {
    const char* name;
    int32_t markStart;
    int32_t markEnd;
    int64_t firstSourceByte;
    int64_t length;
};

void PrintTo(const ClipCase& row, std::ostream* out) {
    *out << row.name;
}

class SavedClip : public Save, public testing::WithParamInterface<ClipCase> { };

TEST_P(SavedClip, HoldsTheSourceBytesFromTheStartMarkOnAndNothingElse) {
    select(GetParam().markStart, GetParam().markEnd);

    saveAs(targetPath);

    EXPECT_EQ(messageTexts(), QStringList { "Clip Saved" });
    const QByteArray clip = contentsOf(targetPath);
    EXPECT_EQ(clip.size(), GetParam().length);
    EXPECT_EQ(clip, sourceBytes(GetParam().firstSourceByte, GetParam().length));
}

INSTANTIATE_TEST_SUITE_P(Selections, SavedClip,
    testing::Values(
        // 8192 bytes apart: three chunks, and the clip ends 4096 bytes past the end mark.
        ClipCase { "ExactMultipleOfTheChunk", 1000, 1512, 16000, 12289 },
        // A start mark of 0 is raised to 1 ms, so the clip starts at the 16th byte.
        ClipCase { "StartMarkZero", 0, 1000, 16, 16385 },
        // One chunk would run 1596 bytes past the source's end; the clip stops at its last byte.
        ClipCase { "ReachingTheEndOfTheSource", 2900, 3000, 46400, 2501 },
        ClipCase { "EndingAtTheLastByte", 2990, 3000, 47840, 1061 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Save, RaisesAStartMarkOfZeroForGoodAlsoWhenCancelled) {
    select(0, 1000);
    window.Cdlg->FileName = "earlier.mp3";
    harness.cancelNextDialog();

    harness.click(window.Command7);

    EXPECT_EQ(window.markStart, 1);
    EXPECT_TRUE(harness.fakes().messages.empty());
    EXPECT_TRUE(window.Cdlg->FileName.isEmpty());
    EXPECT_EQ(folderEntries(), QStringList { "song.mp3" });
    expectControlsBack();
}

TEST_F(Save, RefusesAWrongSelectionAndTouchesNothing) {
    select(2000, 2000);
    const auto commandsBefore = harness.commands().size();

    harness.click(window.Command7);

    EXPECT_EQ(messageTexts(), QStringList { "Wrong Selection" });
    EXPECT_EQ(harness.commands().size(), commandsBefore);
    EXPECT_EQ(harness.fakes().fileRequests.size(), 1u);
    EXPECT_EQ(window.windowTitle(), "Tuneshear 1.0");
    EXPECT_EQ(window.markStart, 2000);
    EXPECT_TRUE(harness.devicePlaying());
}

struct Spelling {
    const char* name;
    QString (*pathTo)(const QString& folder);
};

void PrintTo(const Spelling& row, std::ostream* out) {
    *out << row.name;
}

class OpenedFileSpelling : public Save, public testing::WithParamInterface<Spelling> { };

TEST_P(OpenedFileSpelling, IsRefusedAsTheFileInUse) {
    ASSERT_TRUE(QDir(folder).mkdir("sub"));
    ASSERT_TRUE(QFile::link(sourcePath, folder + "/link.mp3"));
    ASSERT_EQ(
        ::link(QFile::encodeName(sourcePath).constData(), QFile::encodeName(folder + "/hard.mp3").constData()), 0);
    select(1000, 2000);

    saveAs(GetParam().pathTo(folder));

    EXPECT_EQ(messageTexts(), QStringList { "Cannot overwrite file in use..." });
    EXPECT_EQ(contentsOf(sourcePath), source);
    EXPECT_TRUE(window.Cdlg->FileName.isEmpty());
    expectControlsBack();
}

INSTANTIATE_TEST_SUITE_P(Paths, OpenedFileSpelling,
    testing::Values(Spelling { "SameText", [](const QString& folder) { return folder + "/song.mp3"; } },
        Spelling {
            "Relative", [](const QString& folder) { return QDir::current().relativeFilePath(folder + "/song.mp3"); } },
        Spelling { "DotAndDotDot", [](const QString& folder) { return folder + "/./sub/../song.mp3"; } },
        Spelling { "SymbolicLink", [](const QString& folder) { return folder + "/link.mp3"; } },
        Spelling { "HardLink", [](const QString& folder) { return folder + "/hard.mp3"; } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Save, LeavesAnExistingTargetAsItWasWhenOverwritingIsDeclined) {
    writeFile(targetPath, "an older clip");
    select(1000, 2000);
    harness.fakes().messageAnswers.push_back(MessageAnswer::No);

    saveAs(targetPath);

    EXPECT_EQ(messageTexts(), QStringList { "File already exist.Overwrite?" });
    EXPECT_EQ(harness.fakes().messages[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(contentsOf(targetPath), "an older clip");
    EXPECT_TRUE(window.Cdlg->FileName.isEmpty());
    expectControlsBack();
}

TEST_F(Save, ReplacesAnExistingTargetKeepingItsPermissions) {
    writeFile(targetPath, QByteArray(100'000, 'x'));
    ASSERT_TRUE(QFile::setPermissions(targetPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const auto permissions = QFile::permissions(targetPath);
    ASSERT_FALSE(permissions & QFileDevice::ReadOther);
    select(1000, 2000);
    harness.fakes().messageAnswers.push_back(MessageAnswer::Yes);

    saveAs(targetPath);

    EXPECT_EQ(messageTexts(), QStringList({ "File already exist.Overwrite?", "Clip Saved" }));
    EXPECT_EQ(contentsOf(targetPath), sourceBytes(16000, 16385));
    EXPECT_EQ(QFile::permissions(targetPath), permissions);
    EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "song.mp3" }));
}

TEST_F(Save, LeavesAnExistingTargetAsItWasWhenTheWriteFails) {
    writeFile(targetPath, "an older clip");
    select(1000, 2000);
    harness.fakes().messageAnswers.push_back(MessageAnswer::Yes);
    {
        const FileSizeLimit limit(8192);
        saveAs(targetPath);
    }

    ASSERT_EQ(harness.fakes().messages.size(), 2u);
    harness.fakes().messages.erase(harness.fakes().messages.begin());
    expectNotSaved("File too large");
    EXPECT_EQ(contentsOf(targetPath), "an older clip");
    EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "song.mp3" }));
}

TEST_F(Save, ClosingTheWindowDuringTheCopyLeavesTheFilesAsTheyWere) {
    writeFile(targetPath, "an older clip");
    select(1000, 2000);
    harness.fakes().messageAnswers.push_back(MessageAnswer::Yes);
    QStringList entriesAtTheEnd;
    QByteArray targetAtTheEnd;
    int chunks = 0;
    harness.fakes().duringWait = [&] {
        if (++chunks == 2) {
            window.close();
            platform::runProgramEndCleanups();
            entriesAtTheEnd = folderEntries();
            targetAtTheEnd = contentsOf(targetPath);
        }
    };

    saveAs(targetPath);

    EXPECT_EQ(harness.fakes().programEnds, 1);
    EXPECT_EQ(entriesAtTheEnd, QStringList({ "clip.mp3", "song.mp3" }));
    EXPECT_EQ(targetAtTheEnd, "an older clip");
}

struct Failure {
    const char* name;
    // Breaks what the save needs, after the file was opened.
    bool (*arrange)(const QString& sourcePath);
    const char* reasonPart;
};

void PrintTo(const Failure& row, std::ostream* out) {
    *out << row.name;
}

class FailedSave : public Save, public testing::WithParamInterface<Failure> { };

TEST_P(FailedSave, SaysSoOnceAndCreatesNoFile) {
    ASSERT_TRUE(GetParam().arrange(sourcePath));
    const QStringList entriesBefore = folderEntries();
    select(1000, 2000);

    saveAs(targetPath);

    expectNotSaved(GetParam().reasonPart);
    EXPECT_EQ(folderEntries(), entriesBefore);
}

INSTANTIATE_TEST_SUITE_P(Causes, FailedSave,
    testing::Values(Failure { "SourceDeleted", [](const QString& sourcePath) { return QFile::remove(sourcePath); },
                        "No such file or directory" },
        Failure { "SourceReplacedByAFolder",
            [](const QString& sourcePath) { return QFile::remove(sourcePath) && QDir().mkdir(sourcePath); },
            "not a regular file" },
        // 1000 bytes over 3000 ms round to 0 bytes per millisecond: the selection holds no bytes.
        Failure { "ByteRateRoundsToZero", [](const QString& sourcePath) { return QFile::resize(sourcePath, 1000); },
            "before the source's first byte" },
        // The length query then fails and leaves the previous reply behind.
        Failure { "MediaLengthUnknown",
            [](const QString&) { return mciSendStringA("close movie", nullptr, 0, nullptr) == 0; }, "playing time" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Save, ReportsAMediaLengthOfZeroOnceAndCreatesNoFile) {
    harness.replyOnceInstead("status movie length", "0");
    select(1000, 2000);

    saveAs(targetPath);

    expectNotSaved("The media length is 0 ms");
    EXPECT_EQ(folderEntries(), QStringList { "song.mp3" });
}

TEST_F(Save, ReportsAnUnreadableSourceOnceAndCreatesNoFile) {
    ASSERT_TRUE(QFile::setPermissions(sourcePath, QFileDevice::WriteOwner));
    select(1000, 2000);
    {
        const WithoutPermissionOverride asAnyUser;
        saveAs(targetPath);
    }

    expectNotSaved("Permission denied");
    EXPECT_EQ(folderEntries(), QStringList { "song.mp3" });
}

TEST_F(Save, ReportsAWriteErrorOnceAndLeavesNoPartialClip) {
    select(1000, 2000);
    {
        const FileSizeLimit limit(8192);
        saveAs(targetPath);
    }

    expectNotSaved("File too large");
    EXPECT_EQ(folderEntries(), QStringList { "song.mp3" });
}

} // namespace
