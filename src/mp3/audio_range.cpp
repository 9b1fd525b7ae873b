// SPDX-License-Identifier: GPL-3.0-or-later
#include "mp3/audio_range.h"

namespace mp3 {

namespace {

constexpr int64_t kId3v2HeaderBytes = 10;
constexpr int64_t kId3v1Bytes = 128;
constexpr int64_t kApeFooterBytes = 32;

// An ID3v2 header: "ID3", two version bytes, flags, and the size of what follows as four 7-bit (syncsafe) bytes.
// Version 4 may add a footer of another ten bytes. Returns the whole tag's length, 0 where no sound tag starts.
int64_t id3v2TagLength(const std::string& header, int64_t bytesLeft) {
    if (header.size() != kId3v2HeaderBytes || !header.starts_with("ID3")) {
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

uint32_t littleEndian32(const std::string& bytes, int offset) {
    uint32_t value = 0;
    for (int index = 3; index >= 0; --index) {
        value = value << 8 | static_cast<uint8_t>(bytes[offset + index]);
    }
    return value;
}

// An APEv2 footer: "APETAGEX", version, the tag's size with the footer but without the optional header, item count
// and flags, little-endian; the top flag bit says a 32-byte header comes first. Returns the whole tag's length, 0
// where no sound tag ends here.
int64_t apeTagLength(const std::string& footer, int64_t bytesLeft) {
    if (footer.size() != kApeFooterBytes || !footer.starts_with("APETAGEX")) {
        return 0;
    }
    const int64_t sizeWithFooter = littleEndian32(footer, 12);
    const bool hasHeader = littleEndian32(footer, 20) & 0x80000000U;
    const int64_t tagBytes = sizeWithFooter + (hasHeader ? kApeFooterBytes : 0);
    return sizeWithFooter >= kApeFooterBytes && tagBytes <= bytesLeft ? tagBytes : 0;
}

} // namespace

AudioRange audioRange(int64_t fileSize, const FileBytesAt& bytesAt) {
    const auto read = [&](int64_t offset, int64_t length) {
        return offset >= 0 && length <= fileSize - offset ? bytesAt(offset, length) : std::string();
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

} // namespace mp3
