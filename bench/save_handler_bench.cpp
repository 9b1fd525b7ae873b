// SPDX-License-Identifier: GPL-3.0-or-later
// Times the Save button on the real window (on whatever display Qt is given, offscreen when none) for a 100 MB
// selection of FOLDER/source.mp3, which bench/save-bench makes, the dialogs and message boxes answered at once. Each
// round saves, then copies the source bytes that the clip holds with a whole `dd bs=4096 conv=fdatasync` process,
// and prints both times:
//   <save seconds> <dd seconds>
// and, last, where the clip's bytes come from: the source offset of the frames after its information frame and the
// first frame, which may be written anew (counting from 0), the length of those two frames and of the frames after:
//   clip <source offset> <bytes written anew> <frame bytes>
// Usage: save_handler_bench FOLDER ROUNDS
#include "app/form1.h"
#include "app/startup.h"
#include "mp3/mpeg_frame.h"
#include "workflow/messages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <span>

namespace {

// The source is 128 kbit/s: 16 bytes per millisecond. 20 s in, 6553600 ms long: about 100 MiB.
constexpr int64_t kSourceBytesPerMs = 16;
constexpr int32_t kMarkStart = 20'000;
constexpr int32_t kMarkEnd = kMarkStart + 6'553'600;
// A clip begins a few frames before its marked start. The source repeats itself every 48 KB, so its frames are
// looked for from no further back than that.
constexpr int64_t kSearchBack = 8 << 10;
constexpr int64_t kSearchedBytes = 4 << 10;

// The saved clip as an information frame and a first frame followed by a run of the source's bytes.
struct ClipRun {
    int64_t sourceOffset = 0;
    int64_t writtenBytes = 0;
    int64_t bytes = 0;
};

std::span<const uint8_t> bytesOf(const QByteArray& bytes) {
    return { reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()) };
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::optional<ClipRun> findClipRun(const QString& sourcePath, const QString& clipPath) {
    const QByteArray clip = contentsOf(clipPath);
    const auto header = mp3::parseFrameHeader(bytesOf(clip));
    if (!header || header->frameBytes >= clip.size()
        || !mp3::informationTag(bytesOf(clip).first(static_cast<std::size_t>(header->frameBytes)), *header)) {
        return std::nullopt;
    }
    const auto first = mp3::parseFrameHeader(bytesOf(clip).subspan(static_cast<std::size_t>(header->frameBytes)));
    if (!first) {
        return std::nullopt;
    }
    const int64_t written = header->frameBytes + first->frameBytes;
    const QByteArray source = contentsOf(sourcePath);
    const int64_t runStart
        = source.indexOf(clip.mid(written, kSearchedBytes), kSourceBytesPerMs * kMarkStart - kSearchBack);
    if (runStart < 0 || !mp3::parseFrameHeader(bytesOf(source).subspan(static_cast<std::size_t>(runStart)))) {
        return std::nullopt;
    }
    return ClipRun { runStart, written, clip.size() - written };
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
        std::fprintf(stderr, "the source did not open: %s\n", qUtf8Printable(messages.join(" | ")));
        return 1;
    }

    std::optional<ClipRun> run;
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
        if (!run) {
            run = findClipRun(sourcePath, targetPath);
            if (!run) {
                std::fprintf(stderr, "the clip is not an information frame followed by frames of the source\n");
                return 1;
            }
        }
        const QString dd = QStringLiteral("dd if='%1' of='%2' bs=4096 iflag=skip_bytes,count_bytes conv=fdatasync "
                                          "skip=%3 count=%4 2>/dev/null")
                               .arg(sourcePath, folder.filePath("clip-dd.mp3"))
                               .arg(run->sourceOffset)
                               .arg(run->bytes);
        const auto ddStarted = std::chrono::steady_clock::now();
        if (std::system(qPrintable(dd)) != 0) {
            std::fprintf(stderr, "dd failed\n");
            return 1;
        }
        const std::chrono::duration<double> ddElapsed = std::chrono::steady_clock::now() - ddStarted;
        std::printf("%.6f %.6f\n", elapsed.count(), ddElapsed.count());
    }
    std::printf("clip %lld %lld %lld\n", static_cast<long long>(run->sourceOffset),
        static_cast<long long>(run->writtenBytes), static_cast<long long>(run->bytes));
    return 0;
}
