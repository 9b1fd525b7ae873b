#include "support/mp3_fixtures.h"

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

std::filesystem::path testDataFile(std::string_view name) {
    return std::filesystem::path(TUNESHEAR_TEST_DATA_DIR) / name;
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace test_support
