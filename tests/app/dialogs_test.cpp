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

namespace {

// Runs `act` on the modal dialog of type Dialog once it is up.
template <typename Dialog> void whenModal(std::function<void(Dialog*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
}

TEST(MessageBox, IsTitledTuneshearWithoutIconAndReturnsTheButtonPressed) {
    QWidget owner;
    QString title;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QMessageBox::StandardButtons buttons;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->standardButtons();
        EXPECT_EQ(box->text(), QStringLiteral("File already exist.Overwrite?"));
        box->button(QMessageBox::Yes)->click();
    });

    const auto answer = platform::showMessageBox(
        &owner, QStringLiteral("File already exist.Overwrite?"), platform::MessageButtons::YesNo);

    EXPECT_EQ(answer, platform::MessageAnswer::Yes);
    EXPECT_EQ(title, QStringLiteral("Tuneshear"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST(MessageBox, ClosingAYesNoBoxWithoutChoosingAnswersNo) {
    whenModal<QMessageBox>([](QMessageBox* box) { box->reject(); });
    EXPECT_EQ(platform::showMessageBox(nullptr, QStringLiteral("Overwrite?"), platform::MessageButtons::YesNo),
        platform::MessageAnswer::No);
}

TEST(MessageBox, OkBoxHasOnlyOk) {
    QMessageBox::StandardButtons buttons;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        buttons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(platform::showMessageBox(nullptr, QStringLiteral("Clip Saved"), platform::MessageButtons::Ok),
        platform::MessageAnswer::Ok);
    EXPECT_EQ(buttons, QMessageBox::Ok);
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
