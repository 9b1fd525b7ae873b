// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_identity.h"

#include <QFile>
#include <sys/stat.h>

namespace platform {
namespace {

FileState stateOf(const struct stat& status) {
    return { status.st_dev, status.st_ino, status.st_size,
        int64_t { status.st_mtim.tv_sec } * 1'000'000'000 + status.st_mtim.tv_nsec };
}

} // namespace

std::optional<FileState> fileStateOf(const QString& path) {
    struct stat status { };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? std::optional(stateOf(status)) : std::nullopt;
}

std::optional<FileState> fileStateOf(int descriptor) {
    struct stat status { };
    return ::fstat(descriptor, &status) == 0 ? std::optional(stateOf(status)) : std::nullopt;
}

bool namesSameFile(const QString& firstPath, const QString& secondPath) {
    const auto first = fileStateOf(firstPath);
    const auto second = fileStateOf(secondPath);
    return first && second && first->device == second->device && first->inode == second->inode;
}

bool SourceCheck::unchangedAt(const QString& path) const {
    return opened_ && fileStateOf(path) == opened_;
}

} // namespace platform
