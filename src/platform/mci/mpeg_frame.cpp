#include "platform/mci/mpeg_frame.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace mci {

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

std::optional<InformationTag> informationTag(std::span<const uint8_t> frame, const FrameHeader& header) {
    constexpr uint32_t kHasFrames = 1;
    constexpr uint32_t kHasBytes = 2;
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
        const int64_t frames = next(flags & kHasFrames);
        return InformationTag { InformationTag::Kind::Xing, frames, next(flags & kHasBytes) };
    }
    if (const auto vbri = frame.subspan(std::min(frame.size(), kVbriOffset));
        startsWith(vbri, "VBRI") && vbri.size() >= 18) {
        return InformationTag { InformationTag::Kind::Vbri, bigEndian(vbri.subspan(14)), bigEndian(vbri.subspan(10)) };
    }
    return std::nullopt;
}

} // namespace mci
