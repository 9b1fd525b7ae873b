#include "app/form1.h"
#include "app/seconds_to_clock.h"
#include "workflow/messages.h"
#include "workflow/timeline.h"

#include <chrono>

namespace {

// The end line stands this far right of the timeline's start at the slider's 0.
constexpr int32_t kEndLineOffset = 330;

constexpr std::chrono::milliseconds kPreviewPollInterval { 200 };

// The length is the difference of the whole seconds each mark shows, so the three clocks agree with each other.
QString selectionLengthText(int32_t start, int32_t end) {
    return start < end ? SecondsToClock(end / 1000 - start / 1000) : QString(workflow::kClockReset);
}

} // namespace

void Form1::onMarkStart() {
    Line1->setX(workflow::markLineTwips(H->Value(), H->Max(), workflow::kTimelineStartTwips));
    markStart = movie().getPositionInMS();
    Label7->setText(SecondsToClock(markStart / 1000));
    Label3->setText(selectionLengthText(markStart, markEnd));
}

void Form1::onMarkEnd() {
    Line2->setX(workflow::markLineTwips(H->Value(), H->Max(), kEndLineOffset));
    markEnd = movie().getPositionInMS();
    Label9->setText(SecondsToClock(markEnd / 1000));
    Label3->setText(selectionLengthText(markStart, markEnd));
}

// Plays from the start mark until the position reaches the end mark, read anew on every pass so that a Mark End
// during the preview takes effect at once. Other handlers run between the passes; one that takes over playback,
// or a device that stops playing, ends the preview, and only a preview that ends by itself pauses.
void Form1::onPlaySelected() {
    const int32_t start = markStart;
    if (start >= markEnd) {
        messageBox(workflow::kWrongSelection, platform::MessageButtons::Ok);
        return;
    }
    const uint64_t preview = takeOverPlayback();
    movie().playMovie();
    Command1->setText(workflow::kPauseCaption);
    movie().setPositionTo(start);
    // At the very end of the file the device does not play, and the seek leaves it stopped at the start mark.
    if (!movie().isMoviePlaying()) {
        movie().playMovie();
    }
    T->setEnabled(true);
    while (movie().getPositionInMS() < markEnd && movie().isMoviePlaying()) {
        services_.processPendingEvents();
        if (previewEnded(preview)) {
            return;
        }
        services_.sleep(kPreviewPollInterval);
        Label4->setText(SecondsToClock(H->Value()));
    }
    movie().pauseMovie();
    Command1->setText(workflow::kPlayCaption);
}
