// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "app/seconds_to_clock.h"
#include "clip/clip_copy.h"
#include "clip/clip_frames.h"
#include "platform/file_identity.h"
#include "workflow/messages.h"

#include <QFileInfo>
#include <QPointer>
#include <algorithm>
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
    window.Label4->setText(workflow::kClockReset); // the clock stands where the thumb does
    window.Label4->setToolTip(exactClockText(0));
    window.setWindowTitle(workflow::kSavingCaption);
}

// Every ending leaves the device where the thumb went, at the start, as Stop does: the next Play starts there. Focus
// goes back where it was: disabling the focused Save button had moved it on to the Website button.
void restoreControls(Form1& window, QWidget* focusBefore) {
    window.movie().setPositionTo(0);
    window.Label4->setText(workflow::kClockReset);
    window.Label4->setToolTip(exactClockText(0));
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
    return target == sourceFile || platform::namesSameFile(target, sourceFile);
}

// Any file already there is asked about, also one the user may not read: the save would replace it all the same.
bool targetExists(const QString& target) {
    return QFileInfo::exists(target);
}

} // namespace

void Form1::onSave() {
    if (markStart >= markEnd) {
        messageBox(workflow::kWrongSelection, platform::MessageButtons::Ok);
        return;
    }
    // The clip still begins with the file's first sample: only the byte positions count from 1.
    const int32_t markedStart = markStart;
    if (markStart == 0) {
        markStart = 1; // positions count from 1
        showExactMarks();
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
    // A source found changed is closed once the save has said so, as the tick would close it, without a second word.
    const auto endWithChangedSource = [&] {
        endWithoutClip(workflow::clipNotSavedMessage(workflow::changedSinceOpenedMessage(sourceFile)));
        closeSourceIfChanged(ChangeTold::BySave);
    };
    const auto endWithFailure = [&](const clip::Failure& failure) {
        if (failure.kind == clip::FailureKind::SourceChanged) {
            return endWithChangedSource();
        }
        const QString reason = workflow::clipFailureReason(failure, sourceFile, *target, markStart, markEnd);
        endWithoutClip(reason.isEmpty() ? QString() : workflow::clipNotSavedMessage(reason));
    };
    if (!sourceCheck_.unchangedAt(sourceFile)) {
        return endWithChangedSource();
    }
    // A failed length query leaves an older reply behind, which must not be taken for the length.
    const int32_t mediaLengthMs = movie().getLengthInMS();
    if (movie().Error != 0) {
        return endWithoutClip(workflow::clipNotSavedMessage(workflow::playingTimeUnknownReason(movie().Error)));
    }
    const auto clipBytes = clip::clipOfSelection(sourceFile, mediaLengthMs, markedStart, markEnd);
    if (!clipBytes) {
        return endWithFailure(clipBytes.failure);
    }
    // Room for the last chunk of 4097 bytes, as the byte arithmetic leaves it.
    const auto progressMaximum = static_cast<float>(clipBytes.value->bytesBesideHeader() + clip::kChunkAdvance);
    pb->setMax(progressMaximum);
    pb->setValue(0);
    const auto saved = clip::copyClip(
        sourceFile, *target, *clipBytes.value,
        [this, progressMaximum](int64_t chunks) {
            pb->setValue(std::min(progressMaximum, static_cast<float>(chunks * clip::kChunkAdvance)));
            services_.processPendingEvents();
        },
        [&] { return targetWasThere || mayReplace(); });
    if (!saved) {
        return endWithFailure(saved.failure);
    }

    pb->setValue(progressMaximum);
    setWindowTitle(workflow::kCaptionAfterSave);
    messageBox(workflow::kClipSaved, platform::MessageButtons::Ok);
    restoreControls(*this, focusBefore);
}
