// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clip/clip_tags.h"
#include "clip/clip_target.h"
#include "mp3/frame_walk.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// The window-free core of saving a clip: the byte rate, the byte range of a selection, and the copy of that range
// into a new file. Nothing here shows a message; every failure comes back as a value that says what went wrong, which
// the window puts into words.
namespace clip {

enum class FailureKind {
    SourceMissing,
    SourceNotRegularFile,
    CannotOpenSource,
    CannotReadSource,
    SourceChanged, // since it was opened: it no longer holds the bytes found in it then
    MediaLengthUnknown, // figure: the media length in ms
    RateTooLarge, // figure: the bytes per millisecond
    SelectionTooLarge, // figure: the bytes per millisecond
    SelectionHoldsNoBytes,
    StartsBeforeSource, // figure: the first byte, counting from 1
    CannotWriteTarget,
    TargetKept, // a file that appeared under the target's name stays, as the user chose: nothing went wrong
};

struct Failure {
    Failure(FailureKind kind = FailureKind::SelectionHoldsNoBytes, QString systemReason = {}, double figure = 0)
        : kind(kind)
        , systemReason(std::move(systemReason))
        , figure(figure) { }

    FailureKind kind;
    QString systemReason; // the system's words, where a file could not be opened, read or written
    double figure;
};

// Either a value or what kept it from being made.
template <typename Value> struct Result {
    std::optional<Value> value;
    Failure failure;

    static Result success(Value value) { return { std::move(value), {} }; }
    static Result failed(Failure failure) { return { std::nullopt, std::move(failure) }; }
    explicit operator bool() const { return value.has_value(); }
};

// Source bytes per millisecond of playing time: sourceBytes / mediaLengthMs in double precision, rounded to the
// nearest integer with halves going to the even neighbour (16.5 gives 16, 17.5 gives 18). Fails when the media
// length is 0 or below, or when the rounded quotient does not fit a signed 32-bit integer. A rate of 0 is a valid
// value here; clipRange then fails because the selection holds no bytes.
Result<int32_t> bytesPerMillisecond(int64_t sourceBytes, int32_t mediaLengthMs);

// The frames of the file at sourcePath and the audio range they lie in. Fails when no regular file is there, when
// it cannot be read, or when it holds no MPEG audio frame.
Result<mp3::FrameList> framesOfFile(const QString& sourcePath);

// Frame `index` of the file at sourcePath written anew so that it borrows nothing (see mp3::selfContainedFrameAt).
// Fails as framesOfFile does, and as SourceChanged where the file no longer holds the frames of `list`.
Result<std::vector<uint8_t>> selfContainedFrameOf(
    const QString& sourcePath, const mp3::FrameList& list, std::size_t index);

// The source bytes that a selection covers. Positions count from 1: position 1 is the file's first byte.
struct ClipRange {
    int32_t startPos = 0; // leadingBytes + bytesPerMs × markStart
    int32_t endPos = 0; // leadingBytes + bytesPerMs × markEnd
};

// Every product, sum and difference is a signed 32-bit operation, and so is (endPos − startPos) + 4097, the room the
// copy's last chunk of 4097 bytes needs; an overflow is a failure. So is a start that
// lies outside the audio: such a clip would hold no audio byte. The marks are not checked for order here: the
// window refuses a selection whose start is not before its end.
Result<ClipRange> clipRange(const mp3::AudioRange& audio, int32_t bytesPerMs, int32_t markStart, int32_t markEnd);

// Bytes the copy advances per chunk; the window's progress bar counts 4096 per chunk written.
inline constexpr int32_t kChunkAdvance = 4096;

// Called with the number of chunks written so far, about every 50 ms while the copy runs and once when it is
// complete. The window moves its progress bar and lets pending window events run here; the process may end inside
// this call without leaving anything behind (see copyClip).
using ChunksWritten = std::function<void(int64_t chunks)>;

// What a clip holds: the tags in front, an information frame of its own where `header` makes one, frames written
// anew, the source's bytes from offset `from` (counting from 0) up to `to`, and the tags behind.
struct ClipBytes {
    int64_t from = 0;
    int64_t to = 0;
    // Given the CRC-16 of the frames written anew and the copied source bytes, which is only worked out where there
    // is a header to make.
    std::function<std::vector<uint8_t>(uint16_t musicCrc)> header;
    ClipTags tags {};
    std::vector<uint8_t> leadingFrames {};

    int64_t bytesBesideHeader() const {
        return to - from + std::ssize(leadingFrames) + std::ssize(tags.front) + std::ssize(tags.back);
    }
};

// Writes the clip to targetPath: the tags in front, the header (made once the source bytes are copied), the frames
// written anew, the source bytes, read in large blocks, and the tags behind. Nothing that is not in the source, the
// tags or the header is ever written. Reports count the chunks of 4096 bytes of the clip written so far, the last one
// perhaps short.
//
// The clip is written through a ClipTarget (see there): on a failure an existing target stays as it was and no file
// is created, but where the folder forbids new files and the clip goes straight into the target; a file found
// under the target's name when the clip is complete is replaced only if mayReplaceTarget agrees, and if it does not,
// the copy fails as TargetKept.
//
// Fails, with the system's error text where there is one, when the range is empty or starts before the file, when
// the source cannot be opened or read, or when the clip cannot be written or put in the target's place. The range was
// found in the source as it was opened: a source that no longer holds all of it, or changes while it is copied, fails
// as SourceChanged. On success the value is the clip's length in bytes.
Result<int64_t> copyClip(
    const QString& sourcePath, const QString& targetPath, const ClipBytes& clip, const ChunksWritten& reportProgress,
    const MayReplaceTarget& mayReplaceTarget = [] { return true; });

} // namespace clip
