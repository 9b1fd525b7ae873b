// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/mpeg_video_device.h"

#include "mp3/sample_time.h"
#include "platform/mci/mci_errors.h"

#include <algorithm>

namespace mci {

std::string_view modeWord(Mode mode) {
    switch (mode) {
    case Mode::Playing:
        return "playing";
    case Mode::Paused:
        return "paused";
    case Mode::Stopped:
        break;
    }
    return "stopped";
}

std::variant<std::unique_ptr<MpegVideoDevice>, uint32_t> MpegVideoDevice::open(
    const std::filesystem::path& path, Window window, const OutputFactory& outputFactory) {
    auto decoder = Mp3Decoder::open(path);
    if (const auto* error = std::get_if<uint32_t>(&decoder)) {
        return *error;
    }
    return std::make_unique<MpegVideoDevice>(
        std::move(std::get<std::unique_ptr<Mp3Decoder>>(decoder)), std::move(window), outputFactory);
}

MpegVideoDevice::MpegVideoDevice(std::unique_ptr<Mp3Decoder> decoder, Window window, const OutputFactory& outputFactory)
    : format_(decoder->format())
    , lengthFrames_(decoder->lengthFrames())
    , samplesPerFrame_(decoder->samplesPerFrame())
    , window_(std::move(window))
    , decoder_(std::move(decoder))
    , output_(outputFactory(format_, *this)) { }

// The output is the last member, so it stops pulling before the decoder goes.
MpegVideoDevice::~MpegVideoDevice() = default;

uint32_t MpegVideoDevice::play(std::optional<int64_t> fromMilliseconds, std::optional<int64_t> toMilliseconds) {
    const auto from = fromMilliseconds ? frameFor(*fromMilliseconds) : standingFrame();
    const auto to = toMilliseconds ? frameFor(*toMilliseconds) : lengthFrames_;
    if (!from || !to || *to < *from) {
        return kOutOfRange;
    }
    // Sound the output already holds may lie past a new end: the play starts afresh where the device stands.
    if (fromMilliseconds || toMilliseconds) {
        haltAt(*from, Mode::Stopped);
    }
    {
        const std::lock_guard lock(mutex_);
        endFrame_ = *to;
        if (mode_ == Mode::Playing) {
            return kNoError;
        }
    }
    startPlaying();
    return kNoError;
}

uint32_t MpegVideoDevice::seek(int64_t milliseconds) {
    const auto frame = frameFor(milliseconds);
    if (!frame) {
        return kOutOfRange;
    }
    haltAt(*frame, Mode::Stopped);
    return kNoError;
}

uint32_t MpegVideoDevice::pause() {
    settleEnd();
    std::unique_lock lock(mutex_);
    if (mode_ != Mode::Playing) {
        return kNoError;
    }
    const int64_t heard = heardFrame();
    lock.unlock();
    haltAt(heard, Mode::Paused);
    return kNoError;
}

uint32_t MpegVideoDevice::resume() {
    settleEnd();
    {
        const std::lock_guard lock(mutex_);
        if (mode_ != Mode::Paused) {
            return kNotApplicableInMode;
        }
    }
    startPlaying();
    return kNoError;
}

uint32_t MpegVideoDevice::stop() {
    settleEnd();
    std::unique_lock lock(mutex_);
    const int64_t heard = heardFrame();
    lock.unlock();
    haltAt(heard, Mode::Stopped);
    return kNoError;
}

int64_t MpegVideoDevice::lengthMilliseconds() const {
    return mp3::framesToMilliseconds(lengthFrames_, format_.sampleRate);
}

int64_t MpegVideoDevice::positionMilliseconds() {
    return mp3::framesToMilliseconds(standingFrame(), format_.sampleRate);
}

Mode MpegVideoDevice::mode() {
    settleEnd();
    const std::lock_guard lock(mutex_);
    return mode_;
}

void MpegVideoDevice::fill(std::span<int16_t> samples) {
    std::size_t framesWritten = 0;
    {
        const std::lock_guard lock(mutex_);
        drained_ = drained_ || handedFrames_ >= endFrame_;
        if (mode_ == Mode::Playing && !drained_) {
            const auto wanted = static_cast<std::size_t>(
                std::min<int64_t>(int64_t(samples.size()) / format_.channels, endFrame_ - handedFrames_));
            framesWritten = decoder_->read(samples.first(wanted * format_.channels));
            // A decoder that runs dry early has nothing more to give before the end.
            handedFrames_ = framesWritten < wanted ? endFrame_ : handedFrames_ + int64_t(framesWritten);
        }
    }
    std::fill(samples.begin() + static_cast<std::ptrdiff_t>(framesWritten * format_.channels), samples.end(), 0);
}

int64_t MpegVideoDevice::standingFrame() {
    settleEnd();
    const std::lock_guard lock(mutex_);
    return heardFrame();
}

int64_t MpegVideoDevice::heardFrame() const {
    if (mode_ != Mode::Playing || drained_) {
        return handedFrames_;
    }
    return std::max(startFrame_, handedFrames_ - output_->bufferedFrames());
}

void MpegVideoDevice::haltAt(int64_t frame, Mode mode) {
    output_->halt();
    const std::lock_guard lock(mutex_);
    decoder_->seek(frame);
    handedFrames_ = frame;
    mode_ = mode;
    drained_ = false;
}

// Playing from where the play is to stop plays nothing: the device stays stopped there.
void MpegVideoDevice::startPlaying() {
    {
        const std::lock_guard lock(mutex_);
        if (handedFrames_ >= endFrame_) {
            mode_ = Mode::Stopped;
            return;
        }
        startFrame_ = handedFrames_;
        mode_ = Mode::Playing;
        drained_ = false;
    }
    output_->start();
}

void MpegVideoDevice::settleEnd() {
    {
        const std::lock_guard lock(mutex_);
        const bool allHeard = mode_ == Mode::Playing && heardFrame() >= endFrame_;
        if (!allHeard) {
            return;
        }
        mode_ = Mode::Stopped;
    }
    output_->halt();
}

std::optional<int64_t> MpegVideoDevice::frameFor(int64_t milliseconds) const {
    if (milliseconds < 0 || milliseconds > lengthMilliseconds()) {
        return std::nullopt;
    }
    return std::min(mp3::millisecondsToFrames(milliseconds, format_.sampleRate), lengthFrames_);
}

} // namespace mci
