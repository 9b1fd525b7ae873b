#include "app/startup.h"

#include <QApplication>
#include <gtest/gtest.h>

// Every test program runs inside one QApplication, prepared as the real program prepares it, on the offscreen
// platform.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    testing::InitGoogleTest(&argc, argv);
    auto arguments = prepareStartUp({ argv[0] });
    QApplication app(arguments.count(), arguments.values());
    return RUN_ALL_TESTS();
}
