#include "app/form1.h"
#include "workflow/clip_copy.h"
#include "workflow/messages.h"

#include <QFileInfo>
#include <QPointer>
#include <array>
#include <optional>

namespace {

std::array<QPushButton*, 7> workflowButtons(const Form1& window) {
    return { window.Command1, window.Command2, window.Command4, window.Command5, window.Command6, window.Command7,
        window.Command9 };
}

// Nothing but the Website button and closing the window can act while the clip is written.
void enterSavingState(Form1& window) {
    for (QPushButton* button : workflowButtons(window)) {
        button->setEnabled(false);
    }
    window.H->setEnabled(false);
    window.movie().stopMovie();
    window.Command1->setText(workflow::kPlayCaption);
    window.H->setValue(0);
    window.setWindowTitle(workflow::kSavingCaption);
}

// Focus goes back where it was: disabling the focused Save button had moved it on to the Website button.
void restoreControls(Form1& window, QWidget* focusBefore) {
    window.pb->setValue(0);
    for (QPushButton* button : workflowButtons(window)) {
        button->setEnabled(true);
    }
    window.H->setEnabled(true);
    if (focusBefore != nullptr) {
        focusBefore->setFocus();
    }
}

// The chosen path, or nothing when the dialog was cancelled.
std::optional<QString> askForTarget(platform::CommonDialog& dialog) {
    dialog.Filter = workflow::kSaveFilter;
    dialog.FilterIndex = 1;
    dialog.DialogTitle = workflow::kSaveDialogTitle;
    try {
        dialog.ShowSave();
    } catch (const platform::DialogCancelled&) {
        return std::nullopt;
    }
    return dialog.FileName;
}

// The opened file may be reached under many spellings: relative, through "." or "..", a symbolic or hard link.
bool namesOpenedFile(const QString& target, const QString& sourceFile) {
    return target == sourceFile || clip::namesSameFile(target, sourceFile);
}

// Any file already there is asked about, also one the user may not read: the save would replace it all the same.
bool targetExists(const QString& target) {
    return QFileInfo::exists(target);
}

// The byte range of the selection, scaled by the bytes per millisecond of playing time. Tags around the audio do
// not play, so they count neither in the rate nor in the positions. A failed length query leaves an older reply
// behind, which must not be taken for the length.
clip::Result<clip::ClipRange> selectionBytes(Form1& window) {
    const int32_t mediaLengthMs = window.movie().getLengthInMS();
    if (window.movie().Error != 0) {
        return clip::Result<clip::ClipRange>::failed(
            QStringLiteral("The playing time of the opened file is unknown (media error %1).")
                .arg(window.movie().Error));
    }
    const auto audio = clip::audioRangeOfFile(window.sourceFile);
    if (!audio) {
        return clip::Result<clip::ClipRange>::failed(audio.failure);
    }
    const auto bytesPerMs = clip::bytesPerMillisecond(audio.value->audioBytes, mediaLengthMs);
    if (!bytesPerMs) {
        return clip::Result<clip::ClipRange>::failed(bytesPerMs.failure);
    }
    return clip::clipRange(*audio.value, *bytesPerMs.value, window.markStart, window.markEnd);
}

} // namespace

void Form1::onSave() {
    if (markStart >= markEnd) {
        messageBox(workflow::kWrongSelection, platform::MessageButtons::Ok);
        return;
    }
    if (markStart == 0) {
        markStart = 1; // positions count from 1
    }
    takeOverPlayback();
    const QPointer<QWidget> focusBefore = focusWidget();
    enterSavingState(*this);

    const auto endWithoutClip = [this, &focusBefore](const QString& message) {
        if (!message.isEmpty()) {
            messageBox(message, platform::MessageButtons::Ok);
        }
        setWindowTitle(workflow::kCaptionAfterSave);
        restoreControls(*this, focusBefore);
        Cdlg->FileName.clear();
    };

    const std::optional<QString> target = askForTarget(*Cdlg);
    if (!target) {
        return endWithoutClip({});
    }
    if (namesOpenedFile(*target, sourceFile)) {
        return endWithoutClip(workflow::kCannotOverwriteFileInUse);
    }
    // A file that appears under the target's name while the clip is written is asked about then.
    const auto mayReplace = [this] {
        return messageBox(workflow::kFileExistsOverwrite, platform::MessageButtons::YesNo)
            == platform::MessageAnswer::Yes;
    };
    const bool targetWasThere = targetExists(*target);
    if (targetWasThere && !mayReplace()) {
        return endWithoutClip({});
    }
    if (const QString change = sourceCheck_.changeAt(sourceFile); !change.isEmpty()) {
        return endWithoutClip(workflow::clipNotSavedMessage(change));
    }
    const auto range = selectionBytes(*this);
    if (!range) {
        return endWithoutClip(workflow::clipNotSavedMessage(range.failure));
    }
    pb->setMax(range.value->progressMaximum);
    pb->setValue(0);
    const auto saved = clip::copyClip(
        sourceFile, *target, range.value->startPos, range.value->endPos,
        [this](int64_t chunks) {
            pb->setValue(static_cast<float>(chunks * clip::kChunkAdvance));
            services_.processPendingEvents();
        },
        range.value->lastPos, [&] { return targetWasThere || mayReplace(); });
    if (!saved) {
        return endWithoutClip(saved.failure.isEmpty() ? QString() : workflow::clipNotSavedMessage(saved.failure));
    }

    setWindowTitle(workflow::kCaptionAfterSave);
    messageBox(workflow::kClipSaved, platform::MessageButtons::Ok);
    restoreControls(*this, focusBefore);
}
