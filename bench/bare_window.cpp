// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QWidget>

// The reference for start-up time and memory: a bare Qt window of the same size, with nothing inside.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.setFixedSize(642, 247);
    window.show();
    return application.exec();
}
