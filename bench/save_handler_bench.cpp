// Times the Save button on the real window (on whatever display Qt is given, offscreen when none) for a 100 MB
// selection of a generated MP3, the dialogs and message boxes answered at once. Each round saves, then copies the
// same bytes with a whole `dd bs=4096 conv=fdatasync` process, and prints both times:
//   <save seconds> <dd seconds>
// and, last, the clip's first source position (counting from 1) and its length:
//   clip <start position> <clip bytes>
// Usage: save_handler_bench FOLDER ROUNDS
#include "app/form1.h"
#include "app/startup.h"
#include "workflow/messages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

namespace {

// MPEG-1 Layer I, 448 kbit/s, 48 kHz, mono, no CRC: 448 bytes and 8 ms a frame, so 56 bytes per millisecond.
// With every allocation zero a frame decodes as silence.
constexpr std::array<unsigned char, 4> kFrameHeader { 0xFF, 0xFF, 0xE4, 0xC0 };
constexpr int kFrameBytes = 448;
constexpr int kFrameMs = 8;
constexpr int32_t kBytesPerMs = kFrameBytes / kFrameMs;
constexpr int32_t kSourceMs = 2'200'000;

// 20 s in, 1872457 ms long: 25600 chunks, a clip of 104857601 bytes.
constexpr int32_t kMarkStart = 20'000;
constexpr int32_t kMarkEnd = kMarkStart + 1'872'457;

bool writeSilentSource(const QString& path) {
    QByteArray frames(kFrameBytes * 1000, '\0');
    for (int frame = 0; frame < 1000; ++frame) {
        std::copy(kFrameHeader.begin(), kFrameHeader.end(), frames.begin() + frame * kFrameBytes);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    for (int written = 0; written < kSourceMs / kFrameMs; written += 1000) {
        if (file.write(frames) != frames.size()) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    auto arguments = prepareStartUp({ argv[0] });
    QApplication application(arguments.count(), arguments.values());
    const QStringList commandLine = QStringList { QString::fromLocal8Bit(argv[0]) } + [&] {
        QStringList rest;
        for (int i = 1; i < argc; ++i) {
            rest.append(QString::fromLocal8Bit(argv[i]));
        }
        return rest;
    }();
    bool roundsIsNumber = false;
    const int rounds = commandLine.value(2).toInt(&roundsIsNumber);
    if (commandLine.size() != 3 || !roundsIsNumber || rounds < 1) {
        std::fprintf(stderr, "usage: save_handler_bench FOLDER ROUNDS\n");
        return 2;
    }
    const QDir folder(commandLine[1]);
    const QString sourcePath = folder.filePath("source.mp3");
    const QString targetPath = folder.filePath("clip-handler.mp3");
    if (!writeSilentSource(sourcePath)) {
        std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(sourcePath));
        return 1;
    }

    std::deque<QString> choices { sourcePath };
    QStringList messages;
    WindowServices services = WindowServices::platformDefaults();
    services.chooseFile = [&choices](QWidget*, const platform::FileDialogRequest&) {
        std::optional<platform::FileChoice> choice;
        if (!choices.empty()) {
            choice = platform::FileChoice { choices.front(), 1 };
            choices.pop_front();
        }
        return choice;
    };
    services.showMessage = [&messages](QWidget*, const QString& text, platform::MessageButtons) {
        messages.append(text);
        return platform::MessageAnswer::Ok;
    };
    Form1 window(services);
    window.show();
    window.Command4->click();
    if (window.sourceFile != sourcePath) {
        std::fprintf(stderr, "the generated source did not open: %s\n", qUtf8Printable(messages.join(" | ")));
        return 1;
    }

    const qint64 startPos = static_cast<qint64>(kBytesPerMs) * kMarkStart;
    for (int round = 0; round < rounds; ++round) {
        QFile::remove(targetPath);
        window.markStart = kMarkStart;
        window.markEnd = kMarkEnd;
        choices.push_back(targetPath);
        messages.clear();
        const auto started = std::chrono::steady_clock::now();
        window.Command7->click();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
        if (messages != QStringList { workflow::kClipSaved }) {
            std::fprintf(stderr, "clip not saved: %s\n", qUtf8Printable(messages.join(" | ")));
            return 1;
        }
        const QString dd = QStringLiteral("dd if='%1' of='%2' bs=4096 iflag=skip_bytes,count_bytes conv=fdatasync "
                                          "skip=%3 count=%4 2>/dev/null")
                               .arg(sourcePath, folder.filePath("clip-dd.mp3"))
                               .arg(startPos - 1)
                               .arg(QFileInfo(targetPath).size());
        const auto ddStarted = std::chrono::steady_clock::now();
        if (std::system(qPrintable(dd)) != 0) {
            std::fprintf(stderr, "dd failed\n");
            return 1;
        }
        const std::chrono::duration<double> ddElapsed = std::chrono::steady_clock::now() - ddStarted;
        std::printf("%.6f %.6f\n", elapsed.count(), ddElapsed.count());
    }
    std::printf(
        "clip %lld %lld\n", static_cast<long long>(startPos), static_cast<long long>(QFileInfo(targetPath).size()));
    return 0;
}
