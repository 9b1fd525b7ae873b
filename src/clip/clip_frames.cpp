// SPDX-License-Identifier: GPL-3.0-or-later
#include "clip/clip_frames.h"

#include "mp3/sample_time.h"

#include <algorithm>

namespace clip {

namespace {

using mp3::AudioFrame;
using mp3::FrameList;

bool oneBitRate(const std::vector<AudioFrame>& frames) {
    return std::all_of(frames.begin(), frames.end(),
        [&frames](const AudioFrame& frame) { return frame.bitRate == frames.front().bitRate; });
}

// The frames before frame `start` that its first samples carry on (the overlap of the transform and the memory of the
// synthesis filter): the frame before in MPEG-1, the two frames before in MPEG-2, where a frame holds one granule.
// The file's first frames have none before them, as in the source's own decoding.
std::size_t firstCarriedOn(std::size_t start, const mp3::FrameHeader& stream) {
    const std::size_t framesCarriedOn = stream.version == 3 ? 1 : 2;
    return start >= framesCarriedOn ? start - framesCarriedOn : 0;
}

std::optional<FrameChoice> sampleExact(const FrameList& list, int32_t markStart, int32_t markEnd) {
    const auto& frames = list.frames;
    const int64_t samplesPerFrame = list.stream.samplesPerFrame;
    // Behind a Xing or Info tag the player drops the decoder's latency and what the tag's LAME extension names.
    const bool gaplessSource = list.tag && list.tag->kind == mp3::InformationTag::Kind::Xing;
    const auto source = gaplessSource ? list.tag->gapless.value_or(mp3::Gapless {}) : mp3::Gapless {};
    const int64_t skipped = gaplessSource ? source.delay + mp3::kDecoderDelay : 0;
    const int64_t decoded = static_cast<int64_t>(frames.size()) * samplesPerFrame;
    const int64_t playEnd = gaplessSource ? std::min(decoded, decoded - source.padding + mp3::kDecoderDelay) : decoded;
    const int64_t from = mp3::millisecondsToFrames(markStart, list.stream.sampleRate) + skipped;
    const int64_t to = std::min(mp3::millisecondsToFrames(markEnd, list.stream.sampleRate) + skipped, playEnd);
    if (list.stream.layer != 3 || from >= to) {
        return std::nullopt;
    }
    const std::size_t start = static_cast<std::size_t>(from / samplesPerFrame);
    const std::size_t needed = firstCarriedOn(start, list.stream);
    FrameChoice choice { needed, std::min(static_cast<std::size_t>((to - 1) / samplesPerFrame) + 1, frames.size() - 1),
        std::nullopt };
    choice.firstStandsAlone
        = needed > 0 && !mp3::decodesAsInStream(list, needed, needed) && mp3::canStandAlone(list, needed);
    if (needed > 0 && !choice.firstStandsAlone) {
        // Earlier frames, which the decoder may take for silence, bring what the needed ones borrow.
        const auto delayFrom = [&](std::size_t first) { return from - static_cast<int64_t>(first) * samplesPerFrame; };
        while (choice.first > 0 && !mp3::decodesAsInStream(list, choice.first, needed)
            && delayFrom(choice.first) - mp3::kDecoderDelay <= mp3::kGaplessLimit) {
            --choice.first;
        }
    }
    const int64_t firstSample = static_cast<int64_t>(choice.first) * samplesPerFrame;
    choice.silenceFirst = from - firstSample < mp3::kDecoderDelay;
    const int64_t clipStart = firstSample - (choice.silenceFirst ? samplesPerFrame : 0);
    const int64_t clipSamples = static_cast<int64_t>(choice.last + 1) * samplesPerFrame - clipStart;
    const int64_t delay = from - clipStart - mp3::kDecoderDelay;
    const int64_t padding = clipSamples + mp3::kDecoderDelay - (to - clipStart);
    if (delay > mp3::kGaplessLimit || padding > mp3::kGaplessLimit) {
        return std::nullopt;
    }
    choice.gapless = mp3::Gapless { static_cast<int>(delay), static_cast<int>(padding) };
    return choice;
}

// The last frame that starts at or before `offset`.
std::size_t frameHolding(const std::vector<AudioFrame>& frames, int64_t offset) {
    const auto after = std::upper_bound(frames.begin(), frames.end(), offset,
        [](int64_t value, const AudioFrame& frame) { return value < frame.offset; });
    return after == frames.begin() ? 0 : static_cast<std::size_t>(after - frames.begin() - 1);
}

FrameChoice frameExact(
    const FrameList& list, const std::optional<ClipRange>& arithmetic, int32_t markStart, int32_t markEnd) {
    const auto& frames = list.frames;
    if (arithmetic && oneBitRate(frames)) {
        // Positions count from 1; the chunks of 4096 bytes run on a little past endPos, never past the last frame.
        const int64_t chunks = (static_cast<int64_t>(arithmetic->endPos) - arithmetic->startPos) / kChunkAdvance + 1;
        const int64_t lastByte = arithmetic->startPos + chunks * kChunkAdvance - 1;
        const auto first = std::lower_bound(frames.begin(), frames.end(), int64_t { arithmetic->startPos } - 1,
            [](const AudioFrame& frame, int64_t value) { return frame.offset < value; });
        return { static_cast<std::size_t>(first - frames.begin()), frameHolding(frames, lastByte), std::nullopt };
    }
    const auto frameAt = [&](int32_t mark) {
        return static_cast<std::size_t>(
            static_cast<int64_t>(mark) * list.stream.sampleRate / (1000 * int64_t { list.stream.samplesPerFrame }));
    };
    return { frameAt(markStart), std::min(frameAt(markEnd), frames.size() - 1), std::nullopt };
}

// The first frame copied from the source as it is.
std::size_t firstCopied(const FrameChoice& choice) {
    return choice.first + (choice.firstStandsAlone ? 1 : 0);
}

// A frame-exact clip of one bit rate needs no information frame: its bit rate gives its length.
bool needsInformationFrame(const FrameList& list, const FrameChoice& choice) {
    return list.stream.layer == 3 && (choice.gapless || !oneBitRate(list.frames));
}

} // namespace

Result<FrameChoice> chooseFrames(
    const FrameList& list, const std::optional<ClipRange>& arithmetic, int32_t markStart, int32_t markEnd) {
    if (list.frames.empty()) {
        return Result<FrameChoice>::failed({ FailureKind::SelectionHoldsNoBytes });
    }
    if (const auto exact = sampleExact(list, markStart, markEnd)) {
        return Result<FrameChoice>::success(*exact);
    }
    const FrameChoice choice = frameExact(list, arithmetic, markStart, markEnd);
    if (choice.first > choice.last || choice.first >= list.frames.size()) {
        return Result<FrameChoice>::failed({ FailureKind::SelectionHoldsNoBytes });
    }
    return Result<FrameChoice>::success(choice);
}

std::vector<uint8_t> informationFrameFor(
    const FrameList& list, const FrameChoice& choice, std::span<const uint8_t> leadingFrames, uint16_t musicCrc) {
    if (!needsInformationFrame(list, choice)) {
        return {};
    }
    mp3::InformationFrameContents contents;
    contents.variableBitRate = !oneBitRate(list.frames);
    std::vector<int64_t> frameBytes;
    for (auto frame = leadingFrames; !frame.empty();
         frame = frame.subspan(static_cast<std::size_t>(frameBytes.back()))) {
        const auto header = mp3::parseFrameHeader(frame);
        frameBytes.push_back(header->frameBytes);
        contents.variableBitRate |= header->bitRate != list.frames.front().bitRate;
    }
    for (std::size_t frame = firstCopied(choice); frame <= choice.last; ++frame) {
        frameBytes.push_back(list.frames[frame].bytes);
    }
    contents.frames = std::ssize(frameBytes);
    contents.gapless = choice.gapless;
    contents.sourceLame = list.tag ? list.tag->lame : std::nullopt;
    contents.musicCrc = musicCrc;
    const int64_t ownBytes = static_cast<int64_t>(mp3::informationFrame(list.stream, contents).size());
    std::vector<int64_t> frameStarts { ownBytes };
    for (const int64_t bytes : frameBytes) {
        frameStarts.push_back(frameStarts.back() + bytes);
    }
    contents.bytes = frameStarts.back();
    for (std::size_t percent = 0; percent < contents.tableOfContents.size(); ++percent) {
        const int64_t at = frameStarts[percent * frameBytes.size() / 100];
        contents.tableOfContents[percent] = static_cast<uint8_t>(std::min<int64_t>(255, at * 256 / contents.bytes));
    }
    return mp3::informationFrame(list.stream, contents);
}

ClipBytes clipBytes(FrameList list, const FrameChoice& choice, ClipTags tags, std::vector<uint8_t> leadingFrames) {
    const AudioFrame& first = list.frames[firstCopied(choice)];
    const AudioFrame& last = list.frames[choice.last];
    ClipBytes bytes { first.offset, last.offset + last.bytes, {}, std::move(tags), std::move(leadingFrames) };
    if (needsInformationFrame(list, choice)) {
        bytes.header = [list = std::move(list), choice, leading = bytes.leadingFrames](
                           uint16_t musicCrc) { return informationFrameFor(list, choice, leading, musicCrc); };
    }
    return bytes;
}

Result<ClipBytes> clipOfSelection(
    const QString& sourcePath, int32_t mediaLengthMs, int32_t markStart, int32_t markEnd) {
    using Outcome = Result<ClipBytes>;
    auto frames = framesOfFile(sourcePath);
    if (!frames) {
        return Outcome::failed(frames.failure);
    }
    const FrameList& list = *frames.value;
    // The byte arithmetic decides only a frame-exact clip of one bit rate; positions count from 1, so a selection
    // from the very start begins at the first byte.
    std::optional<ClipRange> arithmetic;
    if (list.stream.layer != 3 && oneBitRate(list.frames)) {
        const auto bytesPerMs = bytesPerMillisecond(list.audio.audioBytes, mediaLengthMs);
        const auto range = bytesPerMs ? clipRange(list.audio, *bytesPerMs.value, std::max(markStart, 1), markEnd)
                                      : Result<ClipRange>::failed(bytesPerMs.failure);
        if (!range) {
            return Outcome::failed(range.failure);
        }
        arithmetic = range.value;
    }
    const auto choice = chooseFrames(list, arithmetic, markStart, markEnd);
    if (!choice) {
        return Outcome::failed(choice.failure);
    }
    std::vector<uint8_t> leadingFrames
        = choice.value->silenceFirst ? mp3::silentFrame(list.stream) : std::vector<uint8_t>();
    if (choice.value->firstStandsAlone) {
        const auto standingAlone = selfContainedFrameOf(sourcePath, list, choice.value->first);
        if (!standingAlone) {
            return Outcome::failed(standingAlone.failure);
        }
        leadingFrames.insert(leadingFrames.end(), standingAlone.value->begin(), standingAlone.value->end());
    }
    return Outcome::success(
        clipBytes(std::move(*frames.value), *choice.value, clipTagsOf(sourcePath), std::move(leadingFrames)));
}

} // namespace clip
