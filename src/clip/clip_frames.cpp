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

// True when frame `frame` finds all the bytes of its bit reservoir in the frames from `from` on.
bool reservoirComplete(const std::vector<AudioFrame>& frames, std::size_t from, std::size_t frame) {
    int64_t reservoir = 0;
    for (std::size_t index = from; index < frame; ++index) {
        reservoir += frames[index].mainDataBytes;
    }
    return reservoir >= frames[frame].mainDataBegin;
}

// The frame to begin a clip with so that frame `start` decodes as it does in the source. Its first samples carry on
// the two granules before it (the overlap of the transform and the memory of the synthesis filter): those of the
// frame before in MPEG-1, of the two frames before in MPEG-2, where a frame holds one granule. These frames and
// `start` itself must find their bit reservoir in the clip. The file's first frame needs none.
std::size_t firstFrameFor(const std::vector<AudioFrame>& frames, std::size_t start, const mp3::FrameHeader& stream) {
    const std::size_t framesCarriedOn = stream.version == 3 ? 1 : 2;
    const std::size_t firstNeeded = start >= framesCarriedOn ? start - framesCarriedOn : 0;
    for (std::size_t first = firstNeeded; first > 0; --first) {
        bool complete = true;
        for (std::size_t frame = firstNeeded; frame <= start && complete; ++frame) {
            complete = reservoirComplete(frames, first, frame);
        }
        if (complete) {
            return first;
        }
    }
    return 0;
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
    const std::size_t first = firstFrameFor(frames, start, list.stream);
    const std::size_t last = std::min(static_cast<std::size_t>((to - 1) / samplesPerFrame) + 1, frames.size() - 1);
    const int64_t clipStart = static_cast<int64_t>(first) * samplesPerFrame;
    const int64_t clipSamples = static_cast<int64_t>(last - first + 1) * samplesPerFrame;
    const int64_t delay = from - clipStart - mp3::kDecoderDelay;
    const int64_t padding = clipSamples + mp3::kDecoderDelay - (to - clipStart);
    if (delay < 0 || delay > mp3::kGaplessLimit || padding > mp3::kGaplessLimit) {
        return std::nullopt;
    }
    return FrameChoice { first, last, mp3::Gapless { static_cast<int>(delay), static_cast<int>(padding) } };
}

// The last frame that starts at or before `offset`.
std::size_t frameHolding(const std::vector<AudioFrame>& frames, int64_t offset) {
    const auto after = std::upper_bound(frames.begin(), frames.end(), offset,
        [](int64_t value, const AudioFrame& frame) { return value < frame.offset; });
    return after == frames.begin() ? 0 : static_cast<std::size_t>(after - frames.begin() - 1);
}

FrameChoice frameExact(const FrameList& list, const ClipRange& arithmetic, int32_t markStart, int32_t markEnd) {
    const auto& frames = list.frames;
    if (oneBitRate(frames)) {
        // Positions count from 1; the chunks of 4096 bytes run on a little past endPos, never past the last frame.
        const int64_t chunks = (static_cast<int64_t>(arithmetic.endPos) - arithmetic.startPos) / kChunkAdvance + 1;
        const int64_t lastByte = arithmetic.startPos + chunks * kChunkAdvance - 1;
        const auto first = std::lower_bound(frames.begin(), frames.end(), int64_t { arithmetic.startPos } - 1,
            [](const AudioFrame& frame, int64_t value) { return frame.offset < value; });
        return { static_cast<std::size_t>(first - frames.begin()), frameHolding(frames, lastByte), std::nullopt };
    }
    const auto frameAt = [&](int32_t mark) {
        return static_cast<std::size_t>(
            static_cast<int64_t>(mark) * list.stream.sampleRate / (1000 * int64_t { list.stream.samplesPerFrame }));
    };
    return { frameAt(markStart), std::min(frameAt(markEnd), frames.size() - 1), std::nullopt };
}

// A frame-exact clip of one bit rate needs no information frame: its bit rate gives its length.
bool needsInformationFrame(const FrameList& list, const FrameChoice& choice) {
    return list.stream.layer == 3 && (choice.gapless || !oneBitRate(list.frames));
}

} // namespace

Result<FrameChoice> chooseFrames(
    const FrameList& list, const ClipRange& arithmetic, int32_t markStart, int32_t markEnd) {
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

std::vector<uint8_t> informationFrameFor(const FrameList& list, const FrameChoice& choice, uint16_t musicCrc) {
    if (!needsInformationFrame(list, choice)) {
        return {};
    }
    const bool variable = !oneBitRate(list.frames);
    const auto first = list.frames.begin() + static_cast<std::ptrdiff_t>(choice.first);
    const auto end = list.frames.begin() + static_cast<std::ptrdiff_t>(choice.last + 1);
    mp3::InformationFrameContents contents;
    contents.variableBitRate = variable;
    contents.frames = end - first;
    contents.gapless = choice.gapless;
    contents.sourceLame = list.tag ? list.tag->lame : std::nullopt;
    contents.musicCrc = musicCrc;
    const int64_t frameBytes = std::prev(end)->offset + std::prev(end)->bytes - first->offset;
    const int64_t ownBytes = static_cast<int64_t>(mp3::informationFrame(list.stream, contents).size());
    contents.bytes = ownBytes + frameBytes;
    for (std::size_t percent = 0; percent < contents.tableOfContents.size(); ++percent) {
        const auto frame
            = first + static_cast<std::ptrdiff_t>(percent * static_cast<std::size_t>(contents.frames) / 100);
        const int64_t at = ownBytes + frame->offset - first->offset;
        contents.tableOfContents[percent] = static_cast<uint8_t>(std::min<int64_t>(255, at * 256 / contents.bytes));
    }
    return mp3::informationFrame(list.stream, contents);
}

ClipBytes clipBytes(FrameList list, const FrameChoice& choice, ClipTags tags) {
    const AudioFrame& first = list.frames[choice.first];
    const AudioFrame& last = list.frames[choice.last];
    ClipBytes bytes { first.offset, last.offset + last.bytes, {}, std::move(tags) };
    if (needsInformationFrame(list, choice)) {
        bytes.header = [list = std::move(list), choice](
                           uint16_t musicCrc) { return informationFrameFor(list, choice, musicCrc); };
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
    const auto bytesPerMs = bytesPerMillisecond(frames.value->audio.audioBytes, mediaLengthMs);
    if (!bytesPerMs) {
        return Outcome::failed(bytesPerMs.failure);
    }
    // Positions count from 1: a selection from the very start begins at the first byte.
    const auto range = clipRange(frames.value->audio, *bytesPerMs.value, std::max(markStart, 1), markEnd);
    if (!range) {
        return Outcome::failed(range.failure);
    }
    const auto choice = chooseFrames(*frames.value, *range.value, markStart, markEnd);
    if (!choice) {
        return Outcome::failed(choice.failure);
    }
    return Outcome::success(clipBytes(std::move(*frames.value), *choice.value, clipTagsOf(sourcePath)));
}

} // namespace clip
