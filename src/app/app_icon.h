// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>

// Tuneshear's icon, drawn at 16, 24, 32 and 48 pixels: a sound wave on dark green, with a bright stretch between
// two marks, the clip.
QIcon makeAppIcon();

// One image of that icon, `size` pixels square.
QPixmap drawAppIcon(int size);
