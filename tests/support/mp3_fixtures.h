#pragma once

#include <QByteArray>
#include <chrono>
#include <filesystem>
#include <string_view>

namespace test_support {

// Writes an MPEG audio file of silence, made of one valid frame repeated: MPEG-1 Layer I, mono, 48 kHz,
// 32 kbit/s, 8 ms and 32 bytes a frame. The playing time is `duration` rounded down to a multiple of 8 ms, and the
// service reports exactly that as the length: 215000 ms and 9231000 ms come out exact. Opening scans every
// frame: 215 s (0.9 MB) opens in about 0.1 s, 9231 s (37 MB) in about 5 s. Returns `path`.
std::filesystem::path writeSilentMp3(const std::filesystem::path& path, std::chrono::milliseconds duration);

// The playing time writeSilentMp3 gives for `duration`.
std::chrono::milliseconds silentMp3Length(std::chrono::milliseconds duration);

// An ID3v2 tag of the given version and header flags holding one APIC frame with a cover picture of pictureBytes
// bytes; with flag 0x10 a footer follows. The picture is "JFIF" repeated, holding no MPEG frame sync.
QByteArray id3v2Tag(int pictureBytes, char version = 3, char flags = 0);

// A file committed under tests/data (see tests/data/README.md), e.g. testDataFile("cbr_128k_44k_stereo.mp3").
std::filesystem::path testDataFile(std::string_view name);

} // namespace test_support
