// SPDX-License-Identifier: GPL-3.0-or-later
// Times one clip copy of a byte range of the source, as the Save button makes it (the CRC-16 of the copied bytes
// included), with nothing done between chunks and without the information frame that the Save puts before them.
// Usage: save_clip_bench SOURCE TARGET START_POSITION END_POSITION   (positions count from 1)
#include "clip/clip_copy.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    const QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    bool startIsNumber = false;
    bool endIsNumber = false;
    const int32_t startPos = arguments.value(3).toInt(&startIsNumber);
    const int32_t endPos = arguments.value(4).toInt(&endIsNumber);
    if (arguments.size() != 5 || !startIsNumber || !endIsNumber) {
        std::fprintf(stderr, "usage: save_clip_bench SOURCE TARGET START_POSITION END_POSITION\n");
        return 2;
    }

    const auto started = std::chrono::steady_clock::now();
    const auto saved = clip::copyClip(arguments[1], arguments[2], { startPos - 1, endPos, {} }, [](int64_t) {});
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;

    if (!saved) {
        std::fprintf(stderr, "clip not saved: failure %d %s\n", static_cast<int>(saved.failure.kind),
            qUtf8Printable(saved.failure.systemReason));
        return 1;
    }
    std::printf("%.3f s for %lld bytes\n", elapsed.count(), static_cast<long long>(*saved.value));
    return 0;
}
