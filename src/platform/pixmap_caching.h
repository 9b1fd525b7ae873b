// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmapCache>

namespace platform {

// Qt 6.4 keeps for good the name under which a pixmap was cached, even after the pixmap is evicted or the cache is
// cleared. A dialog's icons are new each time it opens and are cached under new names, so every open and save would
// leave some 10 KB behind. While a dialog is up nothing enters the cache, and a refused entry leaves no name behind.
class PixmapCachingPaused {
public:
    PixmapCachingPaused()
        : limitKilobytes_(QPixmapCache::cacheLimit()) {
        QPixmapCache::setCacheLimit(0);
    }
    ~PixmapCachingPaused() { QPixmapCache::setCacheLimit(limitKilobytes_); }

    PixmapCachingPaused(const PixmapCachingPaused&) = delete;
    PixmapCachingPaused& operator=(const PixmapCachingPaused&) = delete;

private:
    const int limitKilobytes_;
};

} // namespace platform
