// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_icon.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

// Writes the program's icon as hicolor theme images: <folder>/<size>x<size>/apps/<name>.png.
int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: export_icons FOLDER NAME\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (const int size : { 16, 24, 32, 48 }) {
        const QString sizeFolder = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(sizeFolder) || !drawAppIcon(size).save(sizeFolder + "/" + name + ".png")) {
            std::fprintf(stderr, "cannot write the %dx%d icon into %s\n", size, size, qPrintable(sizeFolder));
            return 1;
        }
    }
    return 0;
}
