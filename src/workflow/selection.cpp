// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "app/seconds_to_clock.h"
#include "workflow/listening.h"
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

// A mark just after a step takes the stepped place, also while the device still plays on from there.
void Form1::onMarkStart() {
    returnToStep();
    Line1->setX(workflow::markLineTwips(H->Value(), H->Max(), workflow::kTimelineStartTwips));
    markStart = movie().getPositionInMS();
    Label7->setText(SecondsToClock(markStart / 1000));
    Label3->setText(selectionLengthText(markStart, markEnd));
    showExactMarks();
}

void Form1::onMarkEnd() {
    returnToStep();
    Line2->setX(workflow::markLineTwips(H->Value(), H->Max(), kEndLineOffset));
    markEnd = movie().getPositionInMS();
    Label9->setText(SecondsToClock(markEnd / 1000));
    Label3->setText(selectionLengthText(markStart, markEnd));
    showExactMarks();
}

// The clocks show whole seconds; their tooltips show the millisecond.
void Form1::showExactMarks() {
    Label7->setToolTip(exactClockText(markStart));
    Label9->setToolTip(exactClockText(markEnd));
    Label3->setToolTip(exactClockText(markStart < markEnd ? markEnd - markStart : 0));
}

void Form1::onPlaySelected() {
    const int32_t start = markStart;
    if (start >= markEnd) {
        messageBox(workflow::kWrongSelection, platform::MessageButtons::Ok);
        return;
    }
    const auto selection = workflow::selectionRange(start, markEnd, movie().getLengthInMS());
    playPreview(selection.from, selection.to, markEnd);
}

void Form1::onPlayStartEdge() {
    playEdge(workflow::Edge::Start);
}

void Form1::onPlayEndEdge() {
    playEdge(workflow::Edge::End);
}

// Without a selection there is no edge to hear.
void Form1::playEdge(workflow::Edge edge) {
    if (const auto range = workflow::edgeRange(edge, markStart, markEnd, movie().getLengthInMS())) {
        playPreview(range->from, range->to, range->to);
    }
}

// Plays from `from` to `to`, where the device stops by itself, so that what is heard ends exactly there. Other
// handlers run between the passes; one that takes over playback ends the preview where it is, and only a preview
// that ends by itself pauses. It also ends once the position reaches `stopAt`, read anew on every pass, so that a
// Mark End during Play Selected takes effect at once.
void Form1::playPreview(int32_t from, int32_t to, const int32_t& stopAt) {
    const uint64_t preview = takeOverPlayback();
    movie().playMovieFromTo(from, to);
    Command1->setText(workflow::kPauseCaption);
    T->setEnabled(true);
    while (movie().getPositionInMS() < stopAt && movie().isMoviePlaying()) {
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
