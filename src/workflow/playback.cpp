// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "app/seconds_to_clock.h"
#include "workflow/listening.h"
#include "workflow/messages.h"
#include "workflow/timeline.h"

#include <utility>

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
    Label4->setToolTip(exactClockText(0));
}

// The slider shows whole seconds, so in the last, partial second of a file it already stands at its end while
// sound still plays; the end counts only once the device has stopped.
void Form1::onTick() {
    if (closeSourceIfChanged()) {
        return;
    }
    // What a step lets the user hear moves neither the thumb nor the clock; once it has ended the device goes back.
    if (steppedPlace_) {
        if (!movie().isMoviePlaying()) {
            returnToStep();
        }
        return;
    }
    showPosition(movie().getPositionInMS());
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
    showPosition(H->Value() * 1000);
}

// The thumb and the clock show whole seconds; the clock's tooltip shows the millisecond.
void Form1::showPosition(int32_t milliseconds) {
    H->setValue(milliseconds / 1000);
    Label4->setText(SecondsToClock(H->Value()));
    Label4->setToolTip(exactClockText(milliseconds));
}

uint64_t Form1::takeOverPlayback() {
    returnToStep();
    return ++playbackTakeovers_;
}

// Playing, a step plays on from where it lands; paused or stopped, it lets the user hear where they are.
void Form1::onFrameStep(int frames) {
    takeOverPlayback();
    const int32_t length = movie().getLengthInMS();
    const workflow::FrameTiming timing { movie().getSamplesPerFrame(), movie().getSamplesPerSecond() };
    const int32_t landing = workflow::frameStepLanding(movie().getPositionInMS(), frames, timing, length);
    showPosition(landing);
    if (movie().isMoviePlaying()) {
        movie().setPositionTo(landing);
    } else {
        listenAfterStep(landing, length);
    }
}

// The device plays a moment from the stepped place and stops there by itself. The position stays at the place for
// the user: the tick shows no other, and the tick once the sound has ended, or anything that acts on the position
// before, brings the device back to it.
void Form1::listenAfterStep(int32_t place, int32_t length) {
    const auto heard = workflow::listeningAfterStep(place, length);
    movie().playMovieFromTo(heard.from, heard.to);
    steppedPlace_ = place;
    T->setEnabled(true);
}

// Paused or stopped again: no tick follows the position.
void Form1::returnToStep() {
    if (steppedPlace_) {
        movie().seekMovieTo(*std::exchange(steppedPlace_, std::nullopt));
        T->setEnabled(false);
    }
}
