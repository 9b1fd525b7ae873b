// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "workflow/messages.h"
#include "workflow/timeline.h"

#include <QFileInfo>
#include <initializer_list>

namespace {

// P's own native window would make all its sibling controls native too, and the mark lines drawn over the slider
// would lose their transparency; the native window P is shown in stands in for it.
int64_t pictureParent(const QWidget* frame) {
    return static_cast<int64_t>(frame->effectiveWinId());
}

// Nothing of the file that could not be opened, nor of the one closed before it, stays on the window.
void showNoFile(Form1& window) {
    window.sourceFile.clear();
    window.Cdlg->FileName.clear();
    window.H->setMax(Form1::kSliderMaxAtStartUp);
    window.markScale = 0;
    window.Line1->setX(Form1::kStartLineAtStartUpTwips);
    window.Line2->setX(Form1::kEndLineAtStartUpTwips);
    for (QLabel* const clock : { window.Label7, window.Label9, window.Label3, window.Label4 }) {
        clock->clear();
        clock->setToolTip({});
    }
}

// The file closes; nothing of it plays or stays marked.
void closeFile(Form1& window) {
    window.H->setValue(0);
    window.movie().closeMovie();
    window.markStart = 0;
    window.markEnd = 0;
}

} // namespace

void Form1::onOpen() {
    takeOverPlayback();
    pausePlayback();
    Cdlg->Filter = workflow::kOpenFilter;
    Cdlg->DialogTitle = workflow::kOpenDialogTitle;

    try {
        Cdlg->ShowOpen();
    } catch (const platform::DialogCancelled&) {
        return;
    }
    openChosenFile();
}

// A file handed over by the desktop (the command line, a drop) takes the place of the dialog's choice.
void Form1::openGivenFile(const QString& path) {
    takeOverPlayback();
    pausePlayback();
    Cdlg->FileName = path;
    openChosenFile();
}

void Form1::openChosenFile() {
    closeFile(*this);
    for (QLabel* const label : { Label7, Label9, Label3 }) {
        label->setText(workflow::kClockReset);
    }
    showExactMarks();
    movie().Filename = Cdlg->FileName.toLocal8Bit().toStdString();
    movie().openMovieWindow(pictureParent(P), "child");
    if (movie().Error != 0) {
        messageBox(workflow::cannotPlayMessage(Cdlg->FileName), platform::MessageButtons::Ok);
        showNoFile(*this);
        return;
    }
    sourceFile = Cdlg->FileName;
    sourceCheck_.remember(sourceFile);
    Cdlg->FileName.clear();
    // Both dialogs start beside the file opened last: the Open dialog for the next one, the Save dialog for its clip.
    Cdlg->InitDir = QFileInfo(sourceFile).absolutePath();
    noteSilentOutput();

    startPlayback();
    Command1->setText(workflow::kPauseCaption);
    movie().timeOut(0.5);
    Line1->setX(workflow::kTimelineStartTwips);
    Line2->setX(workflow::kTimelineEndTwips);
}

// A file changed under the window is closed as one that failed to open, and the user is told once: here, or by the
// save that found the change and said so in its own ending. A running save leaves the file to that ending.
bool Form1::closeSourceIfChanged(ChangeTold told) {
    if (savingClip() || sourceCheck_.unchangedAt(sourceFile)) {
        return false;
    }
    const QString change = workflow::changedSinceOpenedMessage(sourceFile);
    takeOverPlayback();
    pausePlayback();
    closeFile(*this);
    showNoFile(*this);
    if (told == ChangeTold::No) {
        messageBox(change, platform::MessageButtons::Ok);
    }
    return true;
}
