// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_dialog.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPixmapCache>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Runs `act` on the modal dialog once it is up.
template <typename Dialog> void whenModal(std::function<void(Dialog*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] { act(qobject_cast<Dialog*>(QApplication::activeModalWidget())); });
}

// A box closed without a choice (Escape, the title bar's close) answers No. A word too wide for the screen, such as
// a long file name, is shortened in its middle and the box stays on the screen.
TEST(MessageBox, IsTitledTuneshearWithoutIconAndAnswersWithTheButtonPressed) {
    using platform::MessageAnswer;
    const QString longPath = "\"/tmp/" + QString(251, 'n') + ".mp3\"";
    const std::tuple<platform::MessageButtons, std::optional<QMessageBox::StandardButton>, MessageAnswer, QString>
        rows[] { { platform::MessageButtons::YesNo, QMessageBox::Yes, MessageAnswer::Yes, "Clip Saved" },
            { platform::MessageButtons::YesNo, std::nullopt, MessageAnswer::No, "Clip Saved" },
            { platform::MessageButtons::Ok, QMessageBox::Ok, MessageAnswer::Ok, "Clip Saved" },
            { platform::MessageButtons::Ok, QMessageBox::Ok, MessageAnswer::Ok,
                "Cannot write " + longPath + ": denied" } };
    for (const auto& [buttons, pressed, answer, text] : rows) {
        whenModal<QMessageBox>([&, pressed = pressed, text = text](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle(), "Tuneshear");
            EXPECT_EQ(
                box->text().remove(QRegularExpression("/n+…n+")), QString(text).remove(QRegularExpression("/n+")));
            EXPECT_LE(box->frameGeometry().width(), box->screen()->availableGeometry().width());
            EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
            EXPECT_EQ(QPixmapCache::cacheLimit(), 0);
            pressed ? box->button(*pressed)->click() : box->reject();
        });
        EXPECT_EQ(platform::showMessageBox(nullptr, text, buttons), answer);
    }
}

TEST(FileDialog, OffersTheFiltersAllFilesAlsoWithoutADotAndReportsTheChoice) {
    const auto filters = platform::parseFileFilter("MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*|Nothing||Dangling");
    EXPECT_EQ(filters,
        (std::vector<platform::FileFilter> { { "MP3 Files (*.mp3)", { "*.mp3" } }, { "All Files (*.*)", { "*.*" } } }));
    QTemporaryDir folder;
    const QString chosen = folder.filePath("clip");
    const int cacheLimit = QPixmapCache::cacheLimit();
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Save");
        EXPECT_EQ(dialog->directory(), QDir(folder.path()));
        EXPECT_EQ(QPixmapCache::cacheLimit(), 0); // a dialog's icons would be cached under names Qt never forgets
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog->nameFilters().value(1), "All Files (*.*) (*)");
        EXPECT_EQ(dialog->selectedNameFilter(), "MP3 Files (*.mp3)");
        dialog->selectNameFilter(dialog->nameFilters()[1]);
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto choice = platform::chooseFileWithDialog(
        nullptr, { platform::FileDialogKind::Save, "Save", filters, 1, {}, folder.path() });
    EXPECT_EQ(choice->path, chosen);
    EXPECT_EQ(choice->filterIndex, 2);
    EXPECT_EQ(QPixmapCache::cacheLimit(), cacheLimit);

    // A folder gone since, or none yet, is the Music folder where there is one, else home.
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->directory(), QDir(QFileInfo(music).isDir() ? music : QDir::homePath()));
        dialog->reject();
    });
    EXPECT_FALSE(platform::chooseFileWithDialog(
        nullptr, { platform::FileDialogKind::Open, "Open", filters, 1, {}, folder.filePath("gone") }));
}

} // namespace
