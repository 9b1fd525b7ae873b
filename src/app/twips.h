// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>

// Positions and sizes on the window are kept in twips (1/1440 inch). Widgets use device-independent pixels, 96 of
// them to the inch, so a pixel is 15 twips; Qt scales those pixels to the screen.
inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) {
    const int half = kTwipsPerPixel / 2;
    return twips >= 0 ? (twips + half) / kTwipsPerPixel : -((-twips + half) / kTwipsPerPixel);
}

constexpr QPoint twipsToPixels(int left, int top) {
    return { twipsToPixels(left), twipsToPixels(top) };
}

constexpr QRect twipsToPixels(int left, int top, int width, int height) {
    return { twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height) };
}
