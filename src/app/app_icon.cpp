// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>
#include <cmath>

namespace {

constexpr std::array kIconSizes { 16, 24, 32, 48 };

} // namespace

QPixmap drawAppIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = size / 16.0;

    QPainterPath tile;
    tile.addRoundedRect(QRectF(0.5, 0.5, size - 1.0, size - 1.0), 3 * unit, 3 * unit);
    painter.fillPath(tile, QColor(0, 100, 0));

    const int bars = size >= 32 ? 9 : 6;
    const double barWidth = (size - 4 * unit) / bars;
    const double middle = size / 2.0;
    for (int bar = 0; bar < bars; ++bar) {
        const double height = (0.25 + 0.65 * std::abs(std::sin(bar * 1.7 + 0.6))) * (size - 5 * unit);
        const bool inClip = bar >= bars / 3 && bar < bars - bars / 3;
        const QRectF rect(2 * unit + bar * barWidth + barWidth * 0.15, middle - height / 2, barWidth * 0.7, height);
        painter.fillRect(rect, inClip ? QColor(255, 255, 255) : QColor(120, 190, 120));
    }

    const QPen markPen(QColor(255, 220, 0), std::max(1.0, unit));
    painter.setPen(markPen);
    for (const double x : { 2 * unit + (bars / 3) * barWidth, 2 * unit + (bars - bars / 3) * barWidth }) {
        painter.drawLine(QPointF(x, 1.5 * unit), QPointF(x, size - 1.5 * unit));
    }
    return pixmap;
}

QIcon makeAppIcon() {
    QIcon icon;
    for (const int size : kIconSizes) {
        icon.addPixmap(drawAppIcon(size));
    }
    return icon;
}
