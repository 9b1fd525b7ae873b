#include "workflow/clip_copy.h"

#include "platform/program_end.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <sys/stat.h>
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

const QString kSelectionHoldsNoBytes = QStringLiteral("The selection holds no bytes.");

constexpr int64_t kId3v2HeaderBytes = 10;
constexpr int64_t kId3v1Bytes = 128;
constexpr int64_t kApeFooterBytes = 32;

// An ID3v2 header: "ID3", two version bytes, flags, and the size of what follows as four 7-bit (syncsafe) bytes.
// Version 4 may add a footer of another ten bytes. Returns the whole tag's length, 0 where no sound tag starts.
int64_t id3v2TagLength(const QByteArray& header, int64_t bytesLeft) {
    if (header.size() != kId3v2HeaderBytes || !header.startsWith("ID3")) {
        return 0;
    }
    const auto byteAt = [&header](int index) { return static_cast<uint8_t>(header[index]); };
    if (byteAt(3) == 0xFF || byteAt(4) == 0xFF) {
        return 0;
    }
    int64_t bodyBytes = 0;
    for (int index = 6; index < kId3v2HeaderBytes; ++index) {
        if (byteAt(index) & 0x80) {
            return 0;
        }
        bodyBytes = bodyBytes << 7 | byteAt(index);
    }
    const bool hasFooter = byteAt(3) == 4 && (byteAt(5) & 0x10);
    const int64_t tagBytes = kId3v2HeaderBytes + bodyBytes + (hasFooter ? kId3v2HeaderBytes : 0);
    return tagBytes <= bytesLeft ? tagBytes : 0;
}

uint32_t littleEndian32(const QByteArray& bytes, int offset) {
    uint32_t value = 0;
    for (int index = 3; index >= 0; --index) {
        value = value << 8 | static_cast<uint8_t>(bytes[offset + index]);
    }
    return value;
}

// An APEv2 footer: "APETAGEX", version, the tag's size with the footer but without the optional header, item count
// and flags, little-endian; the top flag bit says a 32-byte header comes first. Returns the whole tag's length, 0
// where no sound tag ends here.
int64_t apeTagLength(const QByteArray& footer, int64_t bytesLeft) {
    if (footer.size() != kApeFooterBytes || !footer.startsWith("APETAGEX")) {
        return 0;
    }
    const int64_t sizeWithFooter = littleEndian32(footer, 12);
    const bool hasHeader = littleEndian32(footer, 20) & 0x80000000U;
    const int64_t tagBytes = sizeWithFooter + (hasHeader ? kApeFooterBytes : 0);
    return sizeWithFooter >= kApeFooterBytes && tagBytes <= bytesLeft ? tagBytes : 0;
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
bool writeAll(QSaveFile& target, const char* bytes, int64_t length) {
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

QString describe(const QString& what, const QString& path, const QString& reason) {
    return QStringLiteral("%1 \"%2\": %3").arg(what, path, reason);
}

} // namespace

Result<int32_t> bytesPerMillisecond(int64_t sourceBytes, int32_t mediaLengthMs) {
    if (mediaLengthMs <= 0) {
        return Result<int32_t>::failed(
            QStringLiteral("The media length is %1 ms, so the bytes per millisecond are unknown.").arg(mediaLengthMs));
    }
    // The rounding mode is never changed, so this rounds halves to the even neighbour.
    const double rate = std::nearbyint(static_cast<double>(sourceBytes) / mediaLengthMs);
    if (rate < std::numeric_limits<int32_t>::min() || rate > std::numeric_limits<int32_t>::max()) {
        return Result<int32_t>::failed(
            QStringLiteral("%1 bytes per millisecond is beyond what a clip position can hold.").arg(rate, 0, 'f', 0));
    }
    return Result<int32_t>::success(static_cast<int32_t>(rate));
}

AudioRange audioRange(int64_t fileSize, const BytesAt& bytesAt) {
    const auto read = [&](int64_t offset, int64_t length) {
        return offset >= 0 && length <= fileSize - offset ? bytesAt(offset, length) : QByteArray();
    };
    int64_t leadingBytes = 0;
    while (const int64_t tag = id3v2TagLength(read(leadingBytes, kId3v2HeaderBytes), fileSize - leadingBytes)) {
        leadingBytes += tag;
    }
    int64_t audioEnd = fileSize;
    if (read(audioEnd - kId3v1Bytes, 3) == "TAG" && audioEnd - kId3v1Bytes >= leadingBytes) {
        audioEnd -= kId3v1Bytes;
    }
    audioEnd -= apeTagLength(read(audioEnd - kApeFooterBytes, kApeFooterBytes), audioEnd - leadingBytes);
    return { leadingBytes, audioEnd - leadingBytes };
}

Result<AudioRange> audioRangeOfFile(const QString& sourcePath) {
    QFile source(sourcePath);
    if (!QFileInfo(sourcePath).isFile()) {
        return Result<AudioRange>::failed(describe(QStringLiteral("Cannot measure"), sourcePath,
            source.exists() ? QStringLiteral("not a regular file") : QStringLiteral("No such file or directory")));
    }
    if (!source.open(QIODevice::ReadOnly)) {
        return Result<AudioRange>::failed(describe(QStringLiteral("Cannot read"), sourcePath, source.errorString()));
    }
    return Result<AudioRange>::success(audioRange(source.size(), [&source](int64_t offset, int64_t length) {
        return source.seek(offset) ? source.read(length) : QByteArray();
    }));
}

Result<ClipRange> clipRange(const AudioRange& audio, int32_t bytesPerMs, int32_t markStart, int32_t markEnd) {
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
    const auto progressMaximum = length ? checkedSum(*length, kChunkSize) : std::nullopt;
    if (!progressMaximum) {
        return Result<ClipRange>::failed(
            QStringLiteral("The selection from %1 ms to %2 ms at %3 bytes per millisecond is too large to save.")
                .arg(markStart)
                .arg(markEnd)
                .arg(bytesPerMs));
    }
    const int64_t lastAudioPos = audio.leadingBytes + audio.audioBytes;
    if (*startPos <= audio.leadingBytes || *startPos > lastAudioPos) {
        return Result<ClipRange>::failed(kSelectionHoldsNoBytes);
    }
    return Result<ClipRange>::success({ *startPos, *endPos, lastAudioPos, static_cast<float>(*progressMaximum) });
}

Result<int64_t> copyClip(const QString& sourcePath, const QString& targetPath, int32_t startPos, int32_t endPos,
    const ChunksWritten& reportProgress, int64_t lastPos) {
    using Outcome = Result<int64_t>;
    if (startPos < 1) {
        return Outcome::failed(
            QStringLiteral("The clip would start at byte %1, before the source's first byte.").arg(startPos));
    }
    if (endPos < startPos) {
        return Outcome::failed(kSelectionHoldsNoBytes);
    }

    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return Outcome::failed(describe(QStringLiteral("Cannot open"), sourcePath, source.errorString()));
    }
    if (!source.seek(startPos - 1)) {
        return Outcome::failed(describe(QStringLiteral("Cannot read"), sourcePath, source.errorString()));
    }
    QSaveFile target(targetPath);
    target.setDirectWriteFallback(true);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return Outcome::failed(describe(QStringLiteral("Cannot write"), targetPath, target.errorString()));
    }
    // Where the file system has no unnamed files, the clip is written under a temporary name next to the target;
    // if the program ends in a progress report, a commit after cancelWriting removes that file without touching
    // the target.
    const platform::CleanupAtProgramEnd discardUnfinishedClip([&target] {
        target.cancelWriting();
        target.commit();
    });

    const int64_t chunkCount = (static_cast<int64_t>(endPos) - startPos) / kChunkAdvance + 1;
    const int64_t wantedLength = std::min(chunkCount * kChunkAdvance + 1, lastPos - startPos + 1);
    std::vector<char> buffer(static_cast<std::size_t>(std::min(wantedLength, kBlockBytes)));
    auto lastReport = std::chrono::steady_clock::now();
    int64_t clipLength = 0;
    while (clipLength < wantedLength) {
        const int64_t wanted = std::min(wantedLength - clipLength, kBlockBytes);
        const int64_t got = readUpTo(source, buffer.data(), wanted);
        if (got < 0) {
            return Outcome::failed(describe(QStringLiteral("Cannot read"), sourcePath, source.errorString()));
        }
        if (got > 0 && !writeAll(target, buffer.data(), got)) {
            return Outcome::failed(describe(QStringLiteral("Cannot write"), targetPath, target.errorString()));
        }
        clipLength += got;
        if (got < wanted) {
            break;
        }
        if (const auto now = std::chrono::steady_clock::now(); now - lastReport >= kProgressInterval) {
            reportProgress(chunksCovering(clipLength));
            lastReport = now;
        }
    }

    if (clipLength == 0) {
        return Outcome::failed(
            QStringLiteral("The selection starts at byte %1, after the end of \"%2\".").arg(startPos).arg(sourcePath));
    }
    reportProgress(chunksCovering(clipLength));
    if (!target.commit()) {
        return Outcome::failed(describe(QStringLiteral("Cannot write"), targetPath, target.errorString()));
    }
    return Outcome::success(clipLength);
}

bool namesSameFile(const QString& firstPath, const QString& secondPath) {
    struct stat first { };
    struct stat second { };
    return ::stat(QFile::encodeName(firstPath).constData(), &first) == 0
        && ::stat(QFile::encodeName(secondPath).constData(), &second) == 0 && first.st_dev == second.st_dev
        && first.st_ino == second.st_ino;
}

} // namespace clip
