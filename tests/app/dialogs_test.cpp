#include "platform/file_dialog.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Runs `act` on the modal dialog of type Dialog once it is up.
template <typename Dialog> void whenModal(std::function<void(Dialog*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
}

// A box closed without a choice (Escape, the title bar's close) answers No.
TEST(MessageBox, IsTitledTuneshearWithoutIconAndAnswersWithTheButtonPressed) {
    struct Row {
        platform::MessageButtons buttons;
        QMessageBox::StandardButtons offered;
        std::optional<QMessageBox::StandardButton> pressed;
        platform::MessageAnswer answer;
    };
    const Row rows[] {
        { platform::MessageButtons::YesNo, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes,
            platform::MessageAnswer::Yes },
        { platform::MessageButtons::YesNo, QMessageBox::Yes | QMessageBox::No, std::nullopt,
            platform::MessageAnswer::No },
        { platform::MessageButtons::Ok, QMessageBox::Ok, QMessageBox::Ok, platform::MessageAnswer::Ok },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.answer));
        QWidget owner;
        whenModal<QMessageBox>([&](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Tuneshear"));
            EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
            EXPECT_EQ(box->standardButtons(), row.offered);
            EXPECT_EQ(box->text(), QStringLiteral("File already exist.Overwrite?"));
            if (row.pressed) {
                box->button(*row.pressed)->click();
            } else {
                box->reject();
            }
        });
        EXPECT_EQ(
            platform::showMessageBox(&owner, QStringLiteral("File already exist.Overwrite?"), row.buttons), row.answer);
    }
}

class DesktopFileDialog : public testing::Test {
protected:
    DesktopFileDialog() {
        request.filters = platform::parseFileFilter(QStringLiteral("MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*"));
    }

    QTemporaryDir folder;
    platform::FileDialogRequest request;
};

TEST_F(DesktopFileDialog, SaveNeitherAsksAboutOverwritingNorAddsAnExtension) {
    request.kind = platform::FileDialogKind::Save;
    request.title = QStringLiteral("Save");
    const QString chosen = folder.filePath(QStringLiteral("clip"));
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save"));
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();
    });

    const auto choice = platform::chooseFileWithDialog(nullptr, request);

    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->path, chosen);
}

TEST_F(DesktopFileDialog, OpenOffersBothFiltersAndReportsTheOneUsed) {
    const QString notes = folder.filePath(QStringLiteral("notes.txt"));
    QFile file(notes);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        ASSERT_EQ(dialog->nameFilters().size(), 2);
        EXPECT_TRUE(dialog->nameFilters()[0].endsWith(QStringLiteral("(*.mp3)")));
        EXPECT_TRUE(dialog->nameFilters()[1].endsWith(QStringLiteral("(*)"))) << "all files, also names without a dot";
        dialog->selectNameFilter(dialog->nameFilters()[1]);
        dialog->selectFile(notes);
        static_cast<QDialog*>(dialog)->accept();
    });

    const auto choice = platform::chooseFileWithDialog(nullptr, request);

    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->path, notes);
    EXPECT_EQ(choice->filterIndex, 2);
}

TEST_F(DesktopFileDialog, CancelGivesNoChoice) {
    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_FALSE(platform::chooseFileWithDialog(nullptr, request).has_value());
}

} // namespace
