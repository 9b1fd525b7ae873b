// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <sys/types.h>

// The media service and the save both read the opened file by its path, long after it was opened. A file that has
// been replaced, rewritten or cut short since would have them play or cut other bytes than the ones the user heard,
// so both first make sure it is still the file that was opened.
namespace platform {

// Which file a path leads to (device and inode), how long it is and when its content last changed.
struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modifiedNs = 0;

    bool operator==(const FileState&) const = default;
};

// Nothing where there is no file to look at.
std::optional<FileState> fileStateOf(const QString& path);
std::optional<FileState> fileStateOf(int descriptor);

// True when both paths name the same existing file (same device and inode), however each path is written: relative
// or absolute, with "." and "..", through symbolic links, or as another hard link. False when either does not exist.
bool namesSameFile(const QString& firstPath, const QString& secondPath);

class SourceCheck {
public:
    // Keeps the state of the file just opened at `path`.
    void remember(const QString& path) { opened_ = fileStateOf(path); }

    // True while `path` still leads to the file remembered, as it was. A file that could not be looked at when it
    // was opened never counts as unchanged.
    bool unchangedAt(const QString& path) const;

private:
    std::optional<FileState> opened_;
};

} // namespace platform
