// SPDX-License-Identifier: GPL-3.0-or-later
#include "mp3/mpeg_frame.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>

namespace mp3 {

namespace {

constexpr std::array<std::array<int, 15>, 3> kMpeg1Kbps { {
    { 0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448 },
    { 0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384 },
    { 0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320 },
} };
constexpr std::array<std::array<int, 15>, 2> kMpeg2Kbps { {
    { 0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256 },
    { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160 },
} };
constexpr std::array<int, 3> kMpeg1Rates { 44100, 48000, 32000 };

uint32_t bigEndian(std::span<const uint8_t> bytes) {
    return uint32_t { bytes[0] } << 24 | uint32_t { bytes[1] } << 16 | uint32_t { bytes[2] } << 8 | bytes[3];
}

bool startsWith(std::span<const uint8_t> bytes, std::string_view text) {
    return bytes.size() >= text.size() && std::equal(text.begin(), text.end(), bytes.begin());
}

// The header of a frame like `like` at another bit rate, without padding or mode extension. Players look for a
// stream's start where two frames agree in all else.
std::array<uint8_t, kFrameHeaderBytes> headerLike(const FrameHeader& like, int bitRateIndex) {
    return { 0xFF, static_cast<uint8_t>(0xE0 | like.version << 3 | (4 - like.layer) << 1 | (like.crcProtected ? 0 : 1)),
        static_cast<uint8_t>(bitRateIndex << 4 | like.sampleRateIndex << 2),
        static_cast<uint8_t>(like.channelMode << 6 | like.copyrightAndEmphasis) };
}

// A frame as long as `header` says, zeros but for the header.
std::vector<uint8_t> frameOf(std::span<const uint8_t> header) {
    std::vector<uint8_t> frame(static_cast<std::size_t>(parseFrameHeader(header)->frameBytes));
    std::copy_n(header.begin(), kFrameHeaderBytes, frame.begin());
    return frame;
}

// Writes the CRC where the frame's header asks for one, once the side information is in place.
void protect(std::vector<uint8_t>& frame) {
    if (const auto header = parseFrameHeader(frame); header->crcProtected) {
        const uint16_t crc = headerCrc(frame, *header);
        frame[kFrameHeaderBytes] = static_cast<uint8_t>(crc >> 8);
        frame[kFrameHeaderBytes + 1] = static_cast<uint8_t>(crc);
    }
}

} // namespace

std::optional<FrameHeader> parseFrameHeader(std::span<const uint8_t> bytes) {
    if (bytes.size() < kFrameHeaderBytes || bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    FrameHeader header;
    header.version = (bytes[1] >> 3) & 3;
    header.layer = 4 - ((bytes[1] >> 1) & 3);
    header.bitRateIndex = bytes[2] >> 4;
    header.sampleRateIndex = (bytes[2] >> 2) & 3;
    header.channelMode = bytes[3] >> 6;
    header.crcProtected = (bytes[1] & 1) == 0;
    header.copyrightAndEmphasis = bytes[3] & 0x0F;
    if (header.version == 1 || header.layer == 4 || header.bitRateIndex == 0 || header.bitRateIndex == 15
        || header.sampleRateIndex == 3) {
        return std::nullopt;
    }
    const bool mpeg1 = header.version == 3;
    header.bitRate = 1000
        * (mpeg1 ? kMpeg1Kbps[header.layer - 1][header.bitRateIndex]
                 : kMpeg2Kbps[header.layer == 1 ? 0 : 1][header.bitRateIndex]);
    header.sampleRate = kMpeg1Rates[header.sampleRateIndex] >> (mpeg1 ? 0 : header.version == 2 ? 1 : 2);
    const int padding = (bytes[2] >> 1) & 1;
    if (header.layer == 1) {
        header.samplesPerFrame = 384;
        header.frameBytes = (12 * header.bitRate / header.sampleRate + padding) * 4;
    } else {
        const bool halfFrame = header.layer == 3 && !mpeg1;
        header.samplesPerFrame = halfFrame ? 576 : 1152;
        header.frameBytes = (halfFrame ? 72 : 144) * header.bitRate / header.sampleRate + padding;
    }
    return header;
}

bool sameStream(const FrameHeader& first, const FrameHeader& second) {
    return first.version == second.version && first.layer == second.layer
        && first.sampleRateIndex == second.sampleRateIndex;
}

std::size_t sideInfoBytes(const FrameHeader& header) {
    return header.version == 3 ? (header.mono() ? 17 : 32) : (header.mono() ? 9 : 17);
}

std::size_t sideInfoOffset(const FrameHeader& header) {
    return kFrameHeaderBytes + (header.crcProtected ? 2 : 0);
}

int mainDataBegin(std::span<const uint8_t> frame, const FrameHeader& header) {
    const std::size_t at = sideInfoOffset(header);
    if (header.layer != 3 || frame.size() < at + 2) {
        return 0;
    }
    // Nine bits in MPEG-1, eight in MPEG-2 and 2.5.
    const int firstBits = frame[at] << 8 | frame[at + 1];
    return header.version == 3 ? firstBits >> 7 : firstBits >> 8;
}

int64_t mainDataBytes(const FrameHeader& header) {
    return std::max<int64_t>(
        0, header.frameBytes - static_cast<int64_t>(sideInfoOffset(header) + sideInfoBytes(header)));
}

int largestMainDataBegin(const FrameHeader& header) {
    return header.version == 3 ? 511 : 255;
}

std::optional<int> bitRateIndexHolding(const FrameHeader& like, int64_t frameBytes, int from) {
    for (int bitRateIndex = from; bitRateIndex < 15; ++bitRateIndex) {
        if (parseFrameHeader(headerLike(like, bitRateIndex))->frameBytes >= frameBytes) {
            return bitRateIndex;
        }
    }
    return std::nullopt;
}

uint16_t headerCrc(std::span<const uint8_t> frame, const FrameHeader& header) {
    uint16_t crc = 0xFFFF;
    const auto add = [&crc](std::span<const uint8_t> bytes) {
        for (const uint8_t byte : bytes) {
            crc ^= static_cast<uint16_t>(byte << 8);
            for (int bit = 0; bit < 8; ++bit) {
                crc = static_cast<uint16_t>(crc & 0x8000 ? crc << 1 ^ 0x8005 : crc << 1);
            }
        }
    };
    add(frame.subspan(2, 2));
    add(frame.subspan(sideInfoOffset(header), sideInfoBytes(header)));
    return crc;
}

std::optional<std::vector<uint8_t>> selfContainedFrame(std::span<const uint8_t> frame,
    std::span<const uint8_t> mainData, std::size_t borrowedLater, std::size_t areaBytes) {
    const auto header = parseFrameHeader(frame);
    const std::size_t sideInfoEnd = header ? sideInfoOffset(*header) + sideInfoBytes(*header) : 0;
    if (!header || header->layer != 3 || frame.size() < sideInfoEnd) {
        return std::nullopt;
    }
    const auto bitRateIndex
        = bitRateIndexHolding(*header, static_cast<int64_t>(sideInfoEnd + std::max(areaBytes, mainData.size())));
    if (!bitRateIndex) {
        return std::nullopt;
    }
    const std::array<uint8_t, kFrameHeaderBytes> newHeader { frame[0], frame[1],
        static_cast<uint8_t>(*bitRateIndex << 4 | (frame[2] & 0x0D)), frame[3] };
    auto rebuilt = frameOf(newHeader);
    std::copy(frame.begin() + static_cast<std::ptrdiff_t>(sideInfoOffset(*header)),
        frame.begin() + static_cast<std::ptrdiff_t>(sideInfoEnd),
        rebuilt.begin() + static_cast<std::ptrdiff_t>(sideInfoOffset(*header)));
    rebuilt[sideInfoOffset(*header)] = 0;
    if (header->version == 3) {
        rebuilt[sideInfoOffset(*header) + 1] &= 0x7F;
    }
    const auto later = mainData.end() - static_cast<std::ptrdiff_t>(std::min(borrowedLater, mainData.size()));
    std::copy(mainData.begin(), later, rebuilt.begin() + static_cast<std::ptrdiff_t>(sideInfoEnd));
    std::copy_backward(later, mainData.end(), rebuilt.end());
    protect(rebuilt);
    return rebuilt;
}

std::vector<uint8_t> silentFrame(const FrameHeader& like) {
    auto frame = frameOf(headerLike(like, 1));
    protect(frame);
    return frame;
}

std::optional<InformationTag> informationTag(std::span<const uint8_t> frame, const FrameHeader& header) {
    constexpr uint32_t kHasFrames = 1;
    constexpr uint32_t kHasBytes = 2;
    constexpr uint32_t kHasTableOfContents = 4;
    constexpr uint32_t kHasQuality = 8;
    constexpr std::size_t kVbriOffset = kFrameHeaderBytes + 32;
    if (header.layer != 3) {
        return std::nullopt;
    }
    if (const auto xing = frame.subspan(std::min(frame.size(), kFrameHeaderBytes + sideInfoBytes(header)));
        (startsWith(xing, "Xing") || startsWith(xing, "Info")) && xing.size() >= 8) {
        const uint32_t flags = bigEndian(xing.subspan(4));
        auto field = xing.subspan(8);
        const auto next = [&field](uint32_t flag) -> int64_t {
            if (!flag || field.size() < 4) {
                return 0;
            }
            const uint32_t value = bigEndian(field);
            field = field.subspan(4);
            return value;
        };
        InformationTag tag;
        tag.frames = next(flags & kHasFrames);
        tag.bytes = next(flags & kHasBytes);
        field = field.subspan(std::min(field.size(), std::size_t { flags & kHasTableOfContents ? 100U : 0U }));
        next(flags & kHasQuality);
        if (field.size() >= kLameExtensionBytes && std::isalnum(field[0])) {
            tag.lame.emplace();
            std::copy_n(field.begin(), kLameExtensionBytes, tag.lame->begin());
            tag.gapless = Gapless { field[21] << 4 | field[22] >> 4, (field[22] & 0x0F) << 8 | field[23] };
        }
        return tag;
    }
    if (const auto vbri = frame.subspan(std::min(frame.size(), kVbriOffset)); startsWith(vbri, "VBRI")) {
        return InformationTag { InformationTag::Kind::Vbri, 0, 0, {}, {} };
    }
    return std::nullopt;
}

uint16_t crc16(std::span<const uint8_t> bytes, uint16_t crc) {
    // Eight bytes a step (slicing by 8): tables[n][byte] is the CRC of `byte` followed by n zero bytes.
    static constexpr auto kTables = [] {
        std::array<std::array<uint16_t, 256>, 8> tables {};
        for (unsigned index = 0; index < 256; ++index) {
            unsigned value = index;
            for (int bit = 0; bit < 8; ++bit) {
                value = value & 1 ? value >> 1 ^ 0xA001 : value >> 1;
            }
            tables[0][index] = static_cast<uint16_t>(value);
        }
        for (std::size_t zeros = 1; zeros < tables.size(); ++zeros) {
            for (unsigned index = 0; index < 256; ++index) {
                const uint16_t shorter = tables[zeros - 1][index];
                tables[zeros][index] = static_cast<uint16_t>(shorter >> 8 ^ tables[0][shorter & 0xFF]);
            }
        }
        return tables;
    }();
    for (; bytes.size() >= 8; bytes = bytes.subspan(8)) {
        crc = static_cast<uint16_t>(kTables[7][(crc ^ bytes[0]) & 0xFF] ^ kTables[6][crc >> 8 ^ bytes[1]]
            ^ kTables[5][bytes[2]] ^ kTables[4][bytes[3]] ^ kTables[3][bytes[4]] ^ kTables[2][bytes[5]]
            ^ kTables[1][bytes[6]] ^ kTables[0][bytes[7]]);
    }
    for (const uint8_t byte : bytes) {
        crc = static_cast<uint16_t>(crc >> 8 ^ kTables[0][(crc ^ byte) & 0xFF]);
    }
    return crc;
}

std::vector<uint8_t> informationFrame(const FrameHeader& like, const InformationFrameContents& contents) {
    constexpr std::size_t kXingBytes = 4 + 4 + 4 + 4 + 100 + 4;
    const std::size_t tagAt = kFrameHeaderBytes + sideInfoBytes(like);
    const std::size_t lameAt = tagAt + kXingBytes;
    const std::size_t needed = lameAt + (contents.gapless ? kLameExtensionBytes : 0);

    // A stream of one bit rate keeps it, so that players that judge the length by the first frame judge it right.
    // Without padding, so that every frame of this bit rate has the same size; a CRC where the stream has them, as
    // players take a frame whose header differs in that for no part of the stream.
    auto frame = frameOf(headerLike(like,
        bitRateIndexHolding(like, static_cast<int64_t>(needed), contents.variableBitRate ? 1 : like.bitRateIndex)
            .value_or(14)));

    const auto put = [&frame](std::size_t at, uint64_t value, int bytes) {
        for (int index = bytes - 1; index >= 0; --index, value >>= 8) {
            frame[at + static_cast<std::size_t>(index)] = static_cast<uint8_t>(value);
        }
    };
    const std::string_view name = contents.variableBitRate ? "Xing" : "Info";
    std::copy(name.begin(), name.end(), frame.begin() + static_cast<std::ptrdiff_t>(tagAt));
    put(tagAt + 4, 0x0F, 4); // frames, bytes, table of contents and quality follow
    put(tagAt + 8, static_cast<uint64_t>(contents.frames), 4);
    put(tagAt + 12, static_cast<uint64_t>(contents.bytes), 4);
    std::copy(contents.tableOfContents.begin(), contents.tableOfContents.end(),
        frame.begin() + static_cast<std::ptrdiff_t>(tagAt + 16));
    protect(frame);
    if (!contents.gapless) {
        return frame;
    }
    // Players that trim to the delay and padding (GStreamer's among them) read them only behind an encoder name
    // of LAME's; another encoder's tag in the same layout (ffmpeg writes "Lavc…") keeps its other fields.
    LameExtension lame = contents.sourceLame.value_or(LameExtension {});
    if (!startsWith(lame, "LAME")) {
        constexpr std::string_view kEncoder = "LAME3.100";
        std::copy(kEncoder.begin(), kEncoder.end(), lame.begin());
    }
    std::fill_n(lame.begin() + 11, 8, 0); // peak and replay gain describe the whole source, not the clip
    std::copy(lame.begin(), lame.end(), frame.begin() + static_cast<std::ptrdiff_t>(lameAt));
    put(lameAt + 21, static_cast<uint64_t>(contents.gapless->delay) << 12 | contents.gapless->padding, 3);
    put(lameAt + 28, static_cast<uint64_t>(contents.bytes), 4);
    put(lameAt + 32, contents.musicCrc, 2);
    put(lameAt + 34, crc16(std::span(frame).first(lameAt + 34)), 2);
    return frame;
}

} // namespace mp3
