#include "platform/mci/mci.h"
#include "platform/program_end.h"
#include "support/mp3_fixtures.h"
#include "support/workflow_harness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <optional>
#include <ostream>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace {

using platform::MessageAnswer;
using test_support::WorkflowHarness;

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
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
public:
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

TEST_F(Save, WritesTheSourceBytesFromTheStartMarkOnWithProgressAndReportsItSaved) {
    struct Row {
        const char* name;
        int32_t markStart;
        int32_t markEnd;
        int64_t firstSourceByte;
        int64_t length;
        int chunks;
        float progressMaximum;
    };
    for (const Row& row : std::initializer_list<Row> { { "worked example", 1000, 2000, 16000, 16385, 4, 20097 },
             { "8192 bytes apart, ending 4096 bytes past the end mark", 1000, 1512, 16000, 12289, 3, 12289 },
             { "start mark zero, raised to 1 ms", 0, 1000, 16, 16385, 4, 20081 },
             { "one chunk running past the source's end", 2900, 3000, 46400, 2501, 1, 5697 },
             { "ending at the last byte", 2990, 3000, 47840, 1061, 1, 4257 } }) {
        SCOPED_TRACE(row.name);
        const QString target = folder + "/" + row.name + ".mp3";
        select(row.markStart, row.markEnd);
        harness.fakes().messages.clear();
        std::vector<float> progress;
        QStringList captions;
        std::vector<bool> controlsEnabled;
        harness.fakes().duringWait = [&] {
            progress.push_back(window.pb->Value());
            captions.append(window.windowTitle());
            controlsEnabled.push_back(window.Command7->isEnabled() || window.H->isEnabled());
        };

        saveAs(target);

        EXPECT_EQ(contentsOf(target), sourceBytes(row.firstSourceByte, row.length));
        EXPECT_EQ(messageTexts(), QStringList { "Clip Saved" });
        EXPECT_EQ(window.pb->Max(), row.progressMaximum);
        EXPECT_EQ(progress, std::vector { 4096.0F * static_cast<float>(row.chunks) });
        EXPECT_EQ(captions, QStringList { "Saving" });
        EXPECT_EQ(controlsEnabled, std::vector { false });
        EXPECT_EQ(window.Cdlg->FileName, target);
        EXPECT_EQ(window.markStart, std::max(row.markStart, 1));
        expectControlsBack();
    }
    EXPECT_EQ(folderEntries().size(), 6);
    ASSERT_GE(harness.fakes().fileRequests.size(), 2u);
    const auto& request = harness.fakes().fileRequests[1];
    EXPECT_EQ(request.kind, platform::FileDialogKind::Save);
    EXPECT_EQ(request.title, "Save");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.filters.front().patterns, QStringList { "*.mp3" });
}

TEST_F(Save, AWrongSelectionIsRefusedAndACancelledSaveStillRaisesAStartMarkOfZero) {
    select(2000, 2000);
    const auto commandsBefore = harness.commands().size();
    harness.click(window.Command7);

    EXPECT_EQ(messageTexts(), QStringList { "Wrong Selection" });
    EXPECT_EQ(harness.commands().size(), commandsBefore);
    EXPECT_EQ(harness.fakes().fileRequests.size(), 1u);
    EXPECT_EQ(window.windowTitle(), "Tuneshear 1.0");
    EXPECT_EQ(window.markStart, 2000);
    EXPECT_TRUE(harness.devicePlaying());

    select(0, 1000);
    window.Cdlg->FileName = "earlier.mp3";
    harness.fakes().messages.clear();
    harness.cancelNextDialog();
    harness.click(window.Command7);

    EXPECT_EQ(window.markStart, 1);
    EXPECT_TRUE(harness.fakes().messages.empty());
    EXPECT_TRUE(window.Cdlg->FileName.isEmpty());
    EXPECT_EQ(folderEntries(), QStringList { "song.mp3" });
    expectControlsBack();
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

TEST_F(Save, AsksBeforeReplacingAnExistingTargetAndKeepsItsPermissions) {
    const QByteArray oldTarget(100'000, 'x');
    ASSERT_TRUE(writeFile(targetPath, oldTarget));
    ASSERT_TRUE(QFile::setPermissions(targetPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const auto permissions = QFile::permissions(targetPath);
    select(1000, 2000);
    harness.fakes().messageAnswers = { MessageAnswer::No, MessageAnswer::Yes };

    saveAs(targetPath);

    EXPECT_EQ(messageTexts(), QStringList { "File already exist.Overwrite?" });
    EXPECT_EQ(harness.fakes().messages[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(contentsOf(targetPath), oldTarget);
    EXPECT_TRUE(window.Cdlg->FileName.isEmpty());
    expectControlsBack();

    harness.fakes().messages.clear();
    saveAs(targetPath);

    EXPECT_EQ(messageTexts(), QStringList({ "File already exist.Overwrite?", "Clip Saved" }));
    EXPECT_EQ(contentsOf(targetPath), sourceBytes(16000, 16385));
    EXPECT_EQ(QFile::permissions(targetPath), permissions);
    EXPECT_EQ(folderEntries(), QStringList({ "clip.mp3", "song.mp3" }));
}

TEST_F(Save, ClosingTheWindowDuringTheCopyLeavesTheFilesAsTheyWere) {
    ASSERT_TRUE(writeFile(targetPath, "an older clip"));
    select(1000, 2000);
    harness.fakes().messageAnswers.push_back(MessageAnswer::Yes);
    QStringList entriesAtTheEnd;
    QByteArray targetAtTheEnd;
    bool closed = false;
    harness.fakes().duringWait = [&] {
        if (!std::exchange(closed, true)) {
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

enum class While { Saving, FilesAreLimitedTo8192Bytes, HeldToPermissionsAsAnyUser };

struct Failure {
    const char* name;
    bool (*arrange)(Save& save); // breaks what the save needs, after the file was opened
    While condition;
    const char* reasonPart;
};

void PrintTo(const Failure& row, std::ostream* out) {
    *out << row.name;
}

class FailedSave : public Save, public testing::WithParamInterface<Failure> { };

TEST_P(FailedSave, SaysSoOnceAndLeavesTheFolderAsItWas) {
    ASSERT_TRUE(GetParam().arrange(*this));
    const QStringList entriesBefore = folderEntries();
    const QByteArray targetBefore = contentsOf(targetPath);
    if (!targetBefore.isEmpty()) {
        harness.fakes().messageAnswers.push_back(MessageAnswer::Yes);
    }
    select(1000, 2000);
    {
        std::optional<FileSizeLimit> limit;
        std::optional<WithoutPermissionOverride> asAnyUser;
        if (GetParam().condition == While::FilesAreLimitedTo8192Bytes) {
            limit.emplace(8192);
        } else if (GetParam().condition == While::HeldToPermissionsAsAnyUser) {
            asAnyUser.emplace();
        }
        saveAs(targetPath);
    }

    if (!targetBefore.isEmpty()) {
        ASSERT_FALSE(harness.fakes().messages.empty());
        EXPECT_EQ(harness.fakes().messages.front().text, "File already exist.Overwrite?");
        harness.fakes().messages.erase(harness.fakes().messages.begin());
    }
    expectNotSaved(GetParam().reasonPart);
    EXPECT_EQ(folderEntries(), entriesBefore);
    EXPECT_EQ(contentsOf(targetPath), targetBefore);
}

INSTANTIATE_TEST_SUITE_P(Causes, FailedSave,
    testing::Values(Failure { "SourceDeleted", [](Save& save) { return QFile::remove(save.sourcePath); }, While::Saving,
                        "No such file or directory" },
        Failure { "SourceReplacedByAFolder",
            [](Save& save) { return QFile::remove(save.sourcePath) && QDir().mkdir(save.sourcePath); }, While::Saving,
            "not a regular file" },
        Failure { "SourceUnreadable",
            [](Save& save) { return QFile::setPermissions(save.sourcePath, QFileDevice::WriteOwner); },
            While::HeldToPermissionsAsAnyUser, "Permission denied" },
        // 1000 bytes over 3000 ms round to 0 bytes per millisecond: the selection holds no bytes.
        Failure { "ByteRateRoundsToZero", [](Save& save) { return QFile::resize(save.sourcePath, 1000); },
            While::Saving, "before the source's first byte" },
        // The length query then fails and leaves the previous reply behind.
        Failure { "MediaLengthUnknown", [](Save&) { return mciSendStringA("close movie", nullptr, 0, nullptr) == 0; },
            While::Saving, "playing time" },
        Failure { "MediaLengthZero",
            [](Save& save) {
                save.harness.replyOnceInstead("status movie length", "0");
                return true;
            },
            While::Saving, "The media length is 0 ms" },
        Failure { "WriteError", [](Save&) { return true; }, While::FilesAreLimitedTo8192Bytes, "File too large" },
        Failure { "WriteErrorOverAnExistingTarget",
            [](Save& save) { return writeFile(save.targetPath, "an older clip"); }, While::FilesAreLimitedTo8192Bytes,
            "File too large" }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
