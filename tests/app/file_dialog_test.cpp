#include "platform/file_dialog.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

using platform::FileDialogKind;
using platform::FileDialogRequest;
using platform::FileFilter;

constexpr const char* kMp3Filter = "MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*";

TEST(FileFilterText, SplitsIntoDescriptionsAndPatternsAndDropsEntriesWithoutAny) {
    EXPECT_EQ(platform::parseFileFilter(QLatin1String(kMp3Filter)),
        (std::vector<FileFilter> { { QStringLiteral("MP3 Files (*.mp3)"), { QStringLiteral("*.mp3") } },
            { QStringLiteral("All Files (*.*)"), { QStringLiteral("*.*") } } }));
    EXPECT_EQ(platform::parseFileFilter(QStringLiteral("Sound|*.mp3; *.wav|Nothing||Dangling")),
        (std::vector<FileFilter> {
            { QStringLiteral("Sound"), { QStringLiteral("*.mp3"), QStringLiteral("*.wav") } } }));
    EXPECT_TRUE(platform::parseFileFilter(QString()).empty());
}

class CommonDialogTest : public testing::Test {
protected:
    std::optional<platform::FileChoice> answer;
    std::vector<FileDialogRequest> requests;
    QWidget owner;
    platform::CommonDialog dialog { &owner, [this](QWidget*, const FileDialogRequest& request) {
                                       requests.push_back(request);
                                       return answer;
                                   } };
};

TEST_F(CommonDialogTest, OpenAsksWithTheDialogsSettingsAndKeepsTheChoice) {
    dialog.Filter = QLatin1String(kMp3Filter);
    dialog.DialogTitle = QStringLiteral("Open");
    dialog.FileName = QStringLiteral("/music/old.mp3");
    answer = platform::FileChoice { QStringLiteral("/music/new song.mp3"), 2 };

    dialog.ShowOpen();

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, FileDialogKind::Open);
    EXPECT_EQ(requests[0].title, QStringLiteral("Open"));
    EXPECT_EQ(requests[0].filters.size(), 2u);
    EXPECT_EQ(requests[0].filterIndex, 1);
    EXPECT_EQ(requests[0].fileName, QStringLiteral("/music/old.mp3"));
    EXPECT_EQ(dialog.FileName, QStringLiteral("/music/new song.mp3"));
    EXPECT_EQ(dialog.FilterIndex, 2);
}

TEST_F(CommonDialogTest, SaveKeepsThePathExactlyAsChosenAndCancelThrowsLeavingItAsItWas) {
    dialog.Filter = QLatin1String(kMp3Filter);
    dialog.FilterIndex = 2;
    answer = platform::FileChoice { QStringLiteral("/music/clip"), 2 };
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName, QStringLiteral("/music/clip"));

    answer.reset();
    EXPECT_THROW(dialog.ShowSave(), platform::DialogCancelled);

    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].kind, FileDialogKind::Save);
    EXPECT_EQ(requests[1].fileName, QStringLiteral("/music/clip"));
    EXPECT_EQ(dialog.FileName, QStringLiteral("/music/clip"));
    EXPECT_EQ(dialog.FilterIndex, 2);
}

} // namespace
