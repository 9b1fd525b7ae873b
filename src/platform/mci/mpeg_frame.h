#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace mci {

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

// The frame counts of a Xing or Info tag, which sits in the first frame's data after the side information.
struct InformationTag {
    enum class Kind { Xing, Vbri } kind = Kind::Xing; // Xing also stands for Info
    int64_t frames = 0; // the audio frames after the tag's own frame; 0 where the tag does not say
    int64_t bytes = 0; // the bytes of every frame, the tag's own included; 0 where the tag does not say
};

// The Xing, Info or VBRI tag that `frame` holds instead of sound, or nothing where it is a frame of sound.
std::optional<InformationTag> informationTag(std::span<const uint8_t> frame, const FrameHeader& header);

} // namespace mci
