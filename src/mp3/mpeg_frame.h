// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mp3 {

// What the four header bytes of an MPEG audio frame say.
struct FrameHeader {
    int version = 0; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int layer = 0;
    int bitRateIndex = 0;
    int sampleRateIndex = 0;
    int channelMode = 0; // 3 mono
    int bitRate = 0; // bits per second
    int sampleRate = 0;
    int samplesPerFrame = 0;
    bool crcProtected = false; // a 16-bit CRC follows the header
    int copyrightAndEmphasis = 0; // the last four bits: copyright, original, emphasis
    int64_t frameBytes = 0;

    bool mono() const { return channelMode == 3; }
};

inline constexpr std::size_t kFrameHeaderBytes = 4;

// The header at the start of `bytes`, or nothing where no frame starts there. Free-format frames (no bit rate in
// the header) are not read.
std::optional<FrameHeader> parseFrameHeader(std::span<const uint8_t> bytes);

// True when both headers belong to one stream: the same version, layer and sample rate.
bool sameStream(const FrameHeader& first, const FrameHeader& second);

// Layer III side information follows the header (and its CRC, when the header says it has one).
std::size_t sideInfoBytes(const FrameHeader& header);
std::size_t sideInfoOffset(const FrameHeader& header);

// How many bytes of a Layer III frame's sound data lie in the frames before it (the bit reservoir), from its side
// information; 0 for other layers, or where the frame is too short to tell.
int mainDataBegin(std::span<const uint8_t> frame, const FrameHeader& header);

// The bytes of a Layer III frame that hold sound data: what follows the header, its CRC and the side information.
int64_t mainDataBytes(const FrameHeader& header);

// The most a Layer III frame can borrow: main_data_begin has 9 bits in MPEG-1, 8 in MPEG-2 and 2.5.
int largestMainDataBegin(const FrameHeader& header);

// The lowest bit rate index, from `from` on, at which a frame like `like` is at least `frameBytes` long without
// padding; nothing where even the highest rate of its version is shorter.
std::optional<int> bitRateIndexHolding(const FrameHeader& like, int64_t frameBytes, int from = 1);

// The CRC-16 that follows the header of a protected frame: polynomial 0x8005 from 0xFFFF, highest bit first, over
// the header's last two bytes and, in Layer III, the side information.
uint16_t headerCrc(std::span<const uint8_t> frame, const FrameHeader& header);

// Frame `frame` of a Layer III stream written anew so that it borrows nothing, or nothing where no bit rate of its
// version holds it. `mainData` is the stream's sound data from where the frame's own begins to the end of its area,
// of which the frames after it borrow the last `borrowedLater` bytes: they find them where they expect them, at the
// end of the new frame's area. The area is at least `areaBytes` long, at the lowest bit rate that holds it; filler
// (ancillary data, never decoded) goes between the frame's own data and the bytes borrowed later. The header and the
// side information are kept, but for the bit rate, padding, main_data_begin (0) and the CRC.
std::optional<std::vector<uint8_t>> selfContainedFrame(std::span<const uint8_t> frame,
    std::span<const uint8_t> mainData, std::size_t borrowedLater, std::size_t areaBytes);

// A Layer III frame of digital silence in a stream like `like`, at the lowest bit rate: its side information codes
// no sound and borrows nothing.
std::vector<uint8_t> silentFrame(const FrameHeader& like);

// Encoder delay and padding in samples, as a LAME tag gives them to gapless players. A player drops the delay and
// the decoder's own latency of kDecoderDelay samples at the start, and the padding less that latency at the end.
struct Gapless {
    int delay = 0;
    int padding = 0;
};
inline constexpr int kDecoderDelay = 529;
inline constexpr int kGaplessLimit = 4095; // each is written in 12 bits

// The LAME extension of a Xing or Info tag: the encoder's name and settings, the gapless numbers and two CRCs.
inline constexpr std::size_t kLameExtensionBytes = 36;
using LameExtension = std::array<uint8_t, kLameExtensionBytes>;

// The frame counts of a Xing or Info tag, which sits in the first frame's data after the side information.
struct InformationTag {
    enum class Kind { Xing, Vbri } kind = Kind::Xing; // Xing also stands for Info; nothing is read of a VBRI tag
    int64_t frames = 0; // the audio frames after the tag's own frame; 0 where the tag does not say
    int64_t bytes = 0; // the bytes of every frame, the tag's own included; 0 where the tag does not say
    std::optional<LameExtension> lame;
    std::optional<Gapless> gapless; // from the LAME extension
};

// The Xing, Info or VBRI tag that `frame` holds instead of sound, or nothing where it is a frame of sound.
std::optional<InformationTag> informationTag(std::span<const uint8_t> frame, const FrameHeader& header);

// CRC-16 with the polynomial 0x8005, bits taken low first, as LAME tags use it.
uint16_t crc16(std::span<const uint8_t> bytes, uint16_t crc = 0);

// What a clip's own information frame says about the frames that follow it.
struct InformationFrameContents {
    bool variableBitRate = false; // "Xing" when true, "Info" when not
    int64_t frames = 0; // the audio frames after the information frame
    int64_t bytes = 0; // the information frame's bytes and every frame after it
    std::array<uint8_t, 100> tableOfContents {}; // where each hundredth of the playing time starts, in 1/256 of bytes
    std::optional<Gapless> gapless; // with a LAME extension, whose other fields come from sourceLame if given
    std::optional<LameExtension> sourceLame;
    uint16_t musicCrc = 0; // CRC-16 of the frames after the information frame
};

// A frame of the same version, layer, sample rate, channel mode and protection as `like` that holds no sound, only
// the information; its bit rate is that of `like` for a stream of one bit rate, else the lowest whose frame is large
// enough. Layer III only.
std::vector<uint8_t> informationFrame(const FrameHeader& like, const InformationFrameContents& contents);

} // namespace mp3
