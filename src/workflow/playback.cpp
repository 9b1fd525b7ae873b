#include "app/form1.h"
#include "app/seconds_to_clock.h"
#include "workflow/messages.h"
#include "workflow/timeline.h"

void Form1::startPlayback() {
    movie().playMovie();
    T->setEnabled(true);
    H->setMax(movie().getLengthInSec());
    if (const auto scale = workflow::markScaleFor(H->Max())) {
        markScale = *scale;
    }
}

void Form1::pausePlayback() {
    movie().pauseMovie();
    T->setEnabled(false);
    Command1->setText(workflow::kPlayCaption);
}

void Form1::onPlayPause() {
    takeOverPlayback();
    if (Command1->text() == workflow::kPlayCaption) {
        startPlayback();
        // A file under one second reports no whole second: the button keeps "Play" although it plays.
        if (movie().getLengthInSec() > 0) {
            Command1->setText(workflow::kPauseCaption);
        }
        movie().timeOut(0.5);
    } else {
        pausePlayback();
        movie().timeOut(1);
    }
}

// Seeking while stopped only moves the position: the next Play starts at the beginning.
void Form1::onStop() {
    takeOverPlayback();
    movie().stopMovie();
    Command1->setText(workflow::kPlayCaption);
    T->setEnabled(false);
    movie().timeOut(1);
    H->setValue(0);
    movie().setPositionTo(H->Value());
    Label4->setText(workflow::kClockReset);
}

// The slider shows whole seconds, so in the last, partial second of a file it already stands at its end while
// sound still plays; the end counts only once the device has stopped.
void Form1::onTick() {
    if (closeSourceIfChanged()) {
        return;
    }
    H->setValue(movie().getPositionInSec());
    Label4->setText(SecondsToClock(H->Value()));
    if (H->Value() == H->Max() && !movie().isMoviePlaying()) {
        H->setValue(0);
        Command1->setText(workflow::kPlayCaption);
        movie().setPositionTo(0);
    }
}

// While the thumb is held no tick may move it; a paused or stopped file stays without ticks after the release.
void Form1::onSliderMouseDown() {
    T->setEnabled(false);
}

void Form1::onSliderMouseUp() {
    if (movie().isMoviePlaying()) {
        T->setEnabled(true);
    }
}

// The slider's range comes from a length in 32-bit milliseconds, so its seconds always fit back into them. The clock
// follows at once: while paused or stopped no tick would move it.
void Form1::onSliderClick() {
    takeOverPlayback();
    movie().setPositionTo(H->Value() * 1000);
    Label4->setText(SecondsToClock(H->Value()));
}
