// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/mp3_fixtures.h"

#include "platform/mci/mp3_decoder.h"

#include <QFile>

namespace test_support {

std::filesystem::path writeSilentMp3(const std::filesystem::path& path, std::chrono::milliseconds duration) {
    // Sync, MPEG-1, Layer I, no CRC, 32 kbit/s, 48 kHz, mono; every subband's allocation zero.
    QByteArray frame(32, '\0');
    frame.replace(0, 4, QByteArray::fromHex("ffff14c0"));
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::WriteOnly)
        || file.write(frame.repeated(static_cast<qsizetype>(duration.count() / 8))) < 0) {
        throw std::runtime_error("cannot write " + path.string());
    }
    return path;
}

QByteArray id3v2Tag(char version, const std::vector<std::pair<QByteArray, QByteArray>>& frames, char flags) {
    // Sizes in big-endian bytes; the header, and frames from version 4 on, use seven bits of each.
    const auto bigEndian = [](qsizetype size, int bytes, int bitsPerByte) {
        QByteArray big;
        for (int shift = bitsPerByte * (bytes - 1); shift >= 0; shift -= bitsPerByte) {
            big += static_cast<char>(size >> shift & ((1 << bitsPerByte) - 1));
        }
        return big;
    };
    const bool unsynchronised = version == 4 && flags & 0x80; // a reader drops the zero byte after each 0xFF
    QByteArray body = version == 4 && flags & 0x40 ? QByteArray("\0\0\0\6\1\0", 6) : QByteArray();
    for (const auto& [id, content] : frames) {
        const QByteArray data = unsynchronised ? QByteArray(content).replace("\xff", QByteArray("\xff\0", 2)) : content;
        body += id + bigEndian(data.size(), version == 2 ? 3 : 4, version == 4 ? 7 : 8)
            + (version == 2 ? QByteArray() : QByteArray(1, '\0') + char(unsynchronised ? 2 : 0)) + data;
    }
    const QByteArray footer = flags & 0x10 ? "3DI" + QByteArray(7, '\0') : QByteArray();
    return "ID3" + QByteArray(1, version) + '\0' + flags + bigEndian(body.size(), 4, 7) + body + footer;
}

QByteArray id3v2Tag(int pictureBytes, char version, char flags) {
    return id3v2Tag(version,
        { { "APIC", QByteArray("\0image/jpeg\0\3\0", 14) + QByteArray("JFIF").repeated(pictureBytes / 4) } }, flags);
}

std::filesystem::path testDataFile(std::string_view name) {
    return std::filesystem::path(TUNESHEAR_TEST_DATA_DIR) / name;
}

std::vector<int16_t> decodedSamples(const std::filesystem::path& path, int64_t from) {
    auto opened = mci::Mp3Decoder::open(path);
    auto* const decoder = std::get_if<std::unique_ptr<mci::Mp3Decoder>>(&opened);
    if (decoder == nullptr) {
        return {};
    }
    (*decoder)->seek(from);
    const auto channels = static_cast<std::size_t>((*decoder)->format().channels);
    std::vector<int16_t> samples(static_cast<std::size_t>((*decoder)->lengthFrames() - from + 8192) * channels);
    std::size_t decoded = 0;
    for (std::size_t got = 1; got > 0; decoded += got) {
        got = (*decoder)->read(std::span(samples).subspan(decoded * channels, 8192 * channels));
    }
    samples.resize(decoded * channels);
    return samples;
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

mp3::FileBytes fileBytes(std::string bytes, int64_t* bytesRead) {
    const auto held = std::make_shared<const std::string>(std::move(bytes));
    return { static_cast<int64_t>(held->size()), [held, bytesRead](int64_t offset, std::span<uint8_t> into) {
                const auto from = static_cast<std::size_t>(std::clamp<int64_t>(offset, 0, std::ssize(*held)));
                const std::size_t count = std::min(into.size(), held->size() - from);
                std::copy_n(held->begin() + static_cast<std::ptrdiff_t>(from), count, into.begin());
                if (bytesRead != nullptr) {
                    *bytesRead += static_cast<int64_t>(count);
                }
                return count;
            } };
}

} // namespace test_support
