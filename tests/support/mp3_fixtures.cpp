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

// A size in four big-endian bytes; ID3v2 headers, and frames from version 4 on, use seven bits of each.
QByteArray bigEndian(qsizetype size, int bitsPerByte) {
    QByteArray bytes(4, '\0');
    for (int index = 0; index < 4; ++index) {
        bytes[index] = static_cast<char>(size >> (bitsPerByte * (3 - index)) & ((1 << bitsPerByte) - 1));
    }
    return bytes;
}

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

QByteArray id3v2Tag(int pictureBytes, char version, char flags) {
    const QByteArray picture = QByteArray("\0image/jpeg\0\3\0", 14) + QByteArray("JFIF").repeated(pictureBytes / 4);
    const QByteArray frame = "APIC" + bigEndian(picture.size(), version == 4 ? 7 : 8) + QByteArray(2, '\0') + picture;
    const QByteArray footer = flags & 0x10 ? "3DI" + QByteArray(7, '\0') : QByteArray();
    return "ID3" + QByteArray(1, version) + '\0' + flags + bigEndian(frame.size(), 7) + frame + footer;
}

std::filesystem::path testDataFile(std::string_view name) {
    return std::filesystem::path(TUNESHEAR_TEST_DATA_DIR) / name;
}

} // namespace test_support
