// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_identity.h"
#include "support/mp3_fixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// After each change the file's modification time is set back, moved on by the row's nanoseconds, so that each row
// changes one thing the check looks at.
TEST(SourceCheck, FindsTheOpenedFileCutShortTouchedReplacedOrGone) {
    const QTemporaryDir folder;
    const QString song = folder.filePath("song.mp3");
    const auto replace = [&] {
        test_support::writeFile(folder.filePath("other.mp3"), QByteArray(1000, 's'));
        QFile::remove(song);
        QFile::rename(folder.filePath("other.mp3"), song);
    };
    const std::tuple<const char*, std::function<void()>, int, bool> rows[] {
        { "unchanged", [] {}, 0, false },
        { "shorter", [&] { QFile::resize(song, 999); }, 0, true },
        { "same size, a nanosecond newer", [] {}, 1, true },
        { "another file", replace, 0, true },
        { "deleted", [&] { QFile::remove(song); }, 0, true },
    };
    for (const auto& [change, makeChange, nanosecondsLater, changed] : rows) {
        ASSERT_TRUE(test_support::writeFile(song, QByteArray(1000, 's')));
        platform::SourceCheck check;
        check.remember(song);
        struct stat before { };
        ::stat(QFile::encodeName(song).constData(), &before);
        makeChange();
        const timespec times[] { before.st_atim,
            { before.st_mtim.tv_sec, (before.st_mtim.tv_nsec + nanosecondsLater) % 1000000000 } };
        ::utimensat(AT_FDCWD, QFile::encodeName(song).constData(), times, 0);
        EXPECT_EQ(check.unchangedAt(song), !changed) << change;
    }
}

} // namespace
