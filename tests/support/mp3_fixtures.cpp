#include "support/mp3_fixtures.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace test_support {

namespace {

constexpr std::chrono::milliseconds kFrameDuration { 8 };

// Header: sync, MPEG-1, Layer I, no CRC; 32 kbit/s, 48 kHz, no padding; mono. With every subband's
// allocation zero the frame carries no samples but decodes as 384 samples of silence.
constexpr std::array<uint8_t, 4> kHeader { 0xFF, 0xFF, 0x14, 0xC0 };
constexpr std::size_t kFrameBytes = 32;

} // namespace

std::chrono::milliseconds silentMp3Length(std::chrono::milliseconds duration) {
    return duration / kFrameDuration * kFrameDuration;
}

std::filesystem::path writeSilentMp3(const std::filesystem::path& path, std::chrono::milliseconds duration) {
    constexpr std::size_t kFramesPerWrite = 4096;
    std::vector<char> block(kFrameBytes * kFramesPerWrite, 0);
    for (std::size_t frame = 0; frame < kFramesPerWrite; ++frame) {
        std::copy(kHeader.begin(), kHeader.end(), block.begin() + static_cast<std::ptrdiff_t>(frame * kFrameBytes));
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    auto framesLeft = static_cast<std::size_t>(duration / kFrameDuration);
    while (framesLeft > 0) {
        const std::size_t frames = std::min(framesLeft, kFramesPerWrite);
        file.write(block.data(), static_cast<std::streamsize>(frames * kFrameBytes));
        framesLeft -= frames;
    }
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
    return path;
}

std::filesystem::path testDataFile(std::string_view name) {
    return std::filesystem::path(TUNESHEAR_TEST_DATA_DIR) / name;
}

} // namespace test_support
