// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

// Every test program runs inside one QApplication, prepared as the real program prepares it, on the offscreen
// platform; SDL plays through its dummy driver, without a sound card.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("SDL_AUDIODRIVER", qgetenv("SDL_AUDIODRIVER").isEmpty() ? "dummy" : qgetenv("SDL_AUDIODRIVER"));
    testing::InitGoogleTest(&argc, argv);
    // Without a session's runtime folder Qt makes one in the temporary folder and leaves it there; this one lies
    // beside the test program and goes with it. A death test's child uses its parent's.
    std::optional<QTemporaryDir> runtimeFolder;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtimeFolder.emplace(QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath() + "/runtime-XXXXXX");
        qputenv("XDG_RUNTIME_DIR", runtimeFolder->path().toLocal8Bit());
    }
    auto arguments = prepareStartUp({ argv[0] });
    QApplication app(arguments.count(), arguments.values());
    return RUN_ALL_TESTS();
}
