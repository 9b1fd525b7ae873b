// SPDX-License-Identifier: GPL-3.0-or-later
#include "clip/clip_copy.h"

#include "clip/clip_target.h"
#include "mp3/mpeg_frame.h"
#include "platform/file_identity.h"
#include "platform/positioned_read.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

namespace clip {
namespace {

// Each chunk takes the previous chunk's last byte again; the copy reads it only once.
constexpr int32_t kChunkSize = kChunkAdvance + 1;

constexpr int64_t kBlockBytes = 1 << 20;
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

// The chunks that the first `bytes` of the clip reach into.
int64_t chunksCovering(int64_t bytes) {
    return bytes <= kChunkSize ? 1 : 1 + (bytes - kChunkSize + kChunkAdvance - 1) / kChunkAdvance;
}

std::optional<int32_t> checkedProduct(int32_t a, int32_t b) {
    int32_t product = 0;
    return __builtin_mul_overflow(a, b, &product) ? std::nullopt : std::optional(product);
}

std::optional<int32_t> checkedDifference(int32_t a, int32_t b) {
    int32_t difference = 0;
    return __builtin_sub_overflow(a, b, &difference) ? std::nullopt : std::optional(difference);
}

std::optional<int32_t> checkedSum(int32_t a, int32_t b) {
    int32_t sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::nullopt : std::optional(sum);
}

// Reads until `wanted` bytes are in or the source ends; -1 on a read error.
int64_t readUpTo(QFile& source, char* buffer, int64_t wanted) {
    int64_t got = 0;
    while (got < wanted) {
        const int64_t chunk = source.read(buffer + got, wanted - got);
        if (chunk < 0) {
            return -1;
        }
        if (chunk == 0) {
            break;
        }
        got += chunk;
    }
    return got;
}

// A write cut short (a file-size limit, a full disk) reports its cause only on the next attempt.
bool writeAll(ClipTarget& target, const char* bytes, int64_t length) {
    int64_t written = 0;
    while (written < length) {
        const int64_t chunk = target.write(bytes + written, length - written);
        if (chunk <= 0) {
            return false;
        }
        written += chunk;
    }
    return true;
}

bool writeAll(ClipTarget& target, const std::vector<uint8_t>& bytes) {
    return writeAll(target, reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}

// No system error where the user chose to keep a file that appeared under the target's name.
Failure cannotWrite(const ClipTarget& target) {
    return { target.errorString().isEmpty() ? FailureKind::TargetKept : FailureKind::CannotWriteTarget,
        target.errorString() };
}

// What `read` makes of the frame walk's view of the regular file at sourcePath; `nothing` where it makes nothing.
template <typename Value, typename Read>
Result<Value> readSource(const QString& sourcePath, FailureKind nothing, const Read& read) {
    QFile source(sourcePath);
    if (!QFileInfo(sourcePath).isFile()) {
        return Result<Value>::failed(
            { source.exists() ? FailureKind::SourceNotRegularFile : FailureKind::SourceMissing });
    }
    const auto size = source.open(QIODevice::ReadOnly) ? platform::sizeOf(source.handle()) : std::nullopt;
    if (!size) {
        return Result<Value>::failed({ FailureKind::CannotReadSource, source.errorString() });
    }
    auto value = read(mp3::FileBytes { *size, [descriptor = source.handle()](int64_t offset, std::span<uint8_t> into) {
                                          return platform::readAt(descriptor, offset, into);
                                      } });
    if (!value) {
        return Result<Value>::failed({ nothing });
    }
    return Result<Value>::success(std::move(*value));
}

} // namespace

Result<int32_t> bytesPerMillisecond(int64_t sourceBytes, int32_t mediaLengthMs) {
    if (mediaLengthMs <= 0) {
        return Result<int32_t>::failed({ FailureKind::MediaLengthUnknown, {}, static_cast<double>(mediaLengthMs) });
    }
    // The rounding mode is never changed, so this rounds halves to the even neighbour.
    const double rate = std::nearbyint(static_cast<double>(sourceBytes) / mediaLengthMs);
    if (rate < std::numeric_limits<int32_t>::min() || rate > std::numeric_limits<int32_t>::max()) {
        return Result<int32_t>::failed({ FailureKind::RateTooLarge, {}, rate });
    }
    return Result<int32_t>::success(static_cast<int32_t>(rate));
}

Result<mp3::FrameList> framesOfFile(const QString& sourcePath) {
    return readSource<mp3::FrameList>(sourcePath, FailureKind::SelectionHoldsNoBytes, mp3::listFrames);
}

Result<std::vector<uint8_t>> selfContainedFrameOf(
    const QString& sourcePath, const mp3::FrameList& list, std::size_t index) {
    return readSource<std::vector<uint8_t>>(sourcePath, FailureKind::SourceChanged,
        [&](const mp3::FileBytes& bytes) { return mp3::selfContainedFrameAt(bytes, list, index); });
}

Result<ClipRange> clipRange(const mp3::AudioRange& audio, int32_t bytesPerMs, int32_t markStart, int32_t markEnd) {
    const auto leadingBytes = audio.leadingBytes <= std::numeric_limits<int32_t>::max()
        ? std::optional(static_cast<int32_t>(audio.leadingBytes))
        : std::nullopt;
    const auto position = [&](int32_t mark) {
        const auto offset = checkedProduct(bytesPerMs, mark);
        return leadingBytes && offset ? checkedSum(*leadingBytes, *offset) : std::nullopt;
    };
    const auto startPos = position(markStart);
    const auto endPos = position(markEnd);
    const auto length = startPos && endPos ? checkedDifference(*endPos, *startPos) : std::nullopt;
    if (!length || !checkedSum(*length, kChunkSize)) {
        return Result<ClipRange>::failed({ FailureKind::SelectionTooLarge, {}, static_cast<double>(bytesPerMs) });
    }
    const int64_t lastAudioPos = audio.leadingBytes + audio.audioBytes;
    if (*startPos <= audio.leadingBytes || *startPos > lastAudioPos) {
        return Result<ClipRange>::failed({ FailureKind::SelectionHoldsNoBytes });
    }
    return Result<ClipRange>::success({ *startPos, *endPos });
}

Result<int64_t> copyClip(const QString& sourcePath, const QString& targetPath, const ClipBytes& clip,
    const ChunksWritten& reportProgress, const MayReplaceTarget& mayReplaceTarget) {
    using Outcome = Result<int64_t>;
    if (clip.from < 0) {
        return Outcome::failed({ FailureKind::StartsBeforeSource, {}, static_cast<double>(clip.from + 1) });
    }
    if (clip.to <= clip.from) {
        return Outcome::failed({ FailureKind::SelectionHoldsNoBytes });
    }

    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return Outcome::failed({ FailureKind::CannotOpenSource, source.errorString() });
    }
    if (!source.seek(clip.from)) {
        return Outcome::failed({ FailureKind::CannotReadSource, source.errorString() });
    }
    const auto sourceBefore = platform::fileStateOf(source.handle());
    ClipTarget target(targetPath, mayReplaceTarget);
    if (!target.open()) {
        return Outcome::failed(cannotWrite(target));
    }
    const auto writeFailed = [&] { return Outcome::failed(cannotWrite(target)); };

    // The header's size does not depend on the CRC: a first version keeps its place until the CRC is known.
    const auto makeHeader
        = [&clip](uint16_t musicCrc) { return clip.header ? clip.header(musicCrc) : std::vector<uint8_t>(); };
    const auto placeholder = makeHeader(0);
    const auto headerBytes = std::ssize(placeholder);
    const int64_t headerAt = std::ssize(clip.tags.front);
    if (!writeAll(target, clip.tags.front) || !writeAll(target, placeholder) || !writeAll(target, clip.leadingFrames)) {
        return writeFailed();
    }
    const int64_t wantedLength = clip.to - clip.from;
    std::vector<char> buffer(static_cast<std::size_t>(std::min(wantedLength, kBlockBytes)));
    auto lastReport = std::chrono::steady_clock::now() - kProgressInterval; // the bar moves with the first block
    const int64_t copiedAt = headerAt + headerBytes + std::ssize(clip.leadingFrames);
    int64_t copied = 0;
    uint16_t musicCrc = clip.header ? mp3::crc16(clip.leadingFrames) : 0;
    while (copied < wantedLength) {
        const int64_t wanted = std::min(wantedLength - copied, kBlockBytes);
        const int64_t got = readUpTo(source, buffer.data(), wanted);
        if (got < 0) {
            return Outcome::failed({ FailureKind::CannotReadSource, source.errorString() });
        }
        if (got > 0 && !writeAll(target, buffer.data(), got)) {
            return writeFailed();
        }
        if (clip.header) {
            musicCrc = mp3::crc16(
                std::span(reinterpret_cast<const uint8_t*>(buffer.data()), static_cast<std::size_t>(got)), musicCrc);
        }
        copied += got;
        if (got < wanted) { // the range was found in the file as it was opened
            return Outcome::failed({ FailureKind::SourceChanged });
        }
        if (const auto now = std::chrono::steady_clock::now(); now - lastReport >= kProgressInterval) {
            reportProgress(chunksCovering(copiedAt + copied));
            lastReport = now;
        }
    }
    if (!writeAll(target, clip.tags.back)) {
        return writeFailed();
    }

    if (headerBytes > 0) {
        const auto header = makeHeader(musicCrc);
        if (!target.rewrite(headerAt, reinterpret_cast<const char*>(header.data()), headerBytes)) {
            return writeFailed();
        }
    }
    const int64_t clipLength = headerBytes + clip.bytesBesideHeader();
    reportProgress(chunksCovering(clipLength));
    if (platform::fileStateOf(source.handle()) != sourceBefore) {
        return Outcome::failed({ FailureKind::SourceChanged });
    }
    if (!target.commit()) {
        return writeFailed();
    }
    return Outcome::success(clipLength);
}

} // namespace clip
