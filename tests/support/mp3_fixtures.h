// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mp3/frame_walk.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace test_support {

// Writes an MPEG audio file of silence, one valid frame repeated (MPEG-1 Layer I, mono, 48 kHz, 32 bytes and 8 ms
// a frame): it plays `duration` rounded down to 8 ms, and the service reports exactly that. Returns `path`.
std::filesystem::path writeSilentMp3(const std::filesystem::path& path, std::chrono::milliseconds duration);

// An ID3v2 tag of `version` (2, 3 or 4) holding `frames`, each an ID and its body. In version 4, header flag 0x80
// unsynchronises every frame and 0x40 adds an empty extended header; 0x10 adds a footer.
QByteArray id3v2Tag(char version, const std::vector<std::pair<QByteArray, QByteArray>>& frames, char flags = 0);

// As above, with one APIC frame: a picture of pictureBytes bytes, "JFIF" repeated, which holds no MPEG frame sync.
QByteArray id3v2Tag(int pictureBytes, char version = 3, char flags = 0);

// A file committed under tests/data (see tests/data/README.md).
std::filesystem::path testDataFile(std::string_view name);

// Every sample of the file as libmpg123 plays it, gapless, channels interleaved; from sample frame `from` on.
std::vector<int16_t> decodedSamples(const std::filesystem::path& path, int64_t from = 0);

// The frame walk's view of a file that holds `bytes`; each read adds its bytes to `bytesRead` where given.
mp3::FileBytes fileBytes(std::string bytes, int64_t* bytesRead = nullptr);

QByteArray contentsOf(const QString& path);
inline QByteArray contentsOf(const std::filesystem::path& path) {
    return contentsOf(QString::fromStdString(path.string()));
}
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace test_support
