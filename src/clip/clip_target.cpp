// SPDX-License-Identifier: GPL-3.0-or-later
#include "clip/clip_target.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace clip {
namespace {

constexpr mode_t kNewFileMode = 0666; // narrowed by the umask, as for any new file
constexpr int kNameAttempts = 100;

// Where a chain of symbolic links ends, also when no file is there (yet).
QString followLinks(const QString& path) {
    QFileInfo file(path);
    for (int depth = 0; depth < 128 && file.isSymLink(); ++depth) {
        file.setFile(file.symLinkTarget());
    }
    return file.isSymLink() ? path : file.filePath();
}

QByteArray folderOf(const QByteArray& path) {
    return QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath());
}

// A name of 19 bytes: it fits any folder that has room for a name at all.
QByteArray temporaryNameIn(const QByteArray& folder) {
    return folder + "/.tuneshear-"
        + QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0');
}

} // namespace

ClipTarget::ClipTarget(const QString& targetPath, MayReplaceTarget mayReplace)
    : finalPath_(QFile::encodeName(followLinks(targetPath)))
    , mayReplace_(std::move(mayReplace))
    , discardAtProgramEnd_([this] { discard(); }) { }

ClipTarget::~ClipTarget() {
    discard();
}

void ClipTarget::discard() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
    if (!temporaryPath_.isEmpty()) {
        ::unlink(temporaryPath_.constData());
        temporaryPath_.clear();
    }
}

bool ClipTarget::failWithSystemError() {
    error_ = qt_error_string(errno);
    return false;
}

bool ClipTarget::open() {
    const QByteArray folder = folderOf(finalPath_);
    descriptor_ = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode);
    if (descriptor_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) { // a file system without unnamed files
        openNamedFileIn(folder);
    }
    if (descriptor_ < 0) {
        return errno == EACCES ? openStraightIntoTarget() : failWithSystemError();
    }
    if (struct stat existing {}; ::stat(finalPath_.constData(), &existing) == 0) {
        ::fchmod(descriptor_, existing.st_mode & 07777);
    }
    return true;
}

void ClipTarget::openNamedFileIn(const QByteArray& folder) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QByteArray name = temporaryNameIn(folder);
        descriptor_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (descriptor_ >= 0) {
            temporaryPath_ = name;
        }
        if (descriptor_ >= 0 || errno != EEXIST) {
            return;
        }
    }
}

// The folder forbids new files; a target there that may be written takes the clip in place.
bool ClipTarget::openStraightIntoTarget() {
    if (struct stat existing {}; ::stat(finalPath_.constData(), &existing) != 0) {
        errno = EACCES;
        return failWithSystemError();
    }
    if (!mayReplace_()) {
        return false;
    }
    descriptor_ = ::open(finalPath_.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    straightIntoTarget_ = descriptor_ >= 0;
    return straightIntoTarget_ || failWithSystemError();
}

int64_t ClipTarget::write(const char* bytes, int64_t length) {
    ssize_t written = -1;
    do {
        written = ::write(descriptor_, bytes, static_cast<size_t>(length));
    } while (written < 0 && errno == EINTR);
    if (written < 0) {
        failWithSystemError();
    }
    return written;
}

bool ClipTarget::rewrite(int64_t offset, const char* bytes, int64_t length) {
    while (length > 0) {
        const ssize_t written = ::pwrite(descriptor_, bytes, static_cast<size_t>(length), offset);
        if (written < 0 && errno != EINTR) {
            return failWithSystemError();
        }
        const int64_t done = std::max<ssize_t>(written, 0);
        bytes += done;
        offset += done;
        length -= done;
    }
    return true;
}

bool ClipTarget::commit() {
    // A disk that turns out full only now is a failure too; a file that cannot be synced (EINVAL) is none.
    if (::fsync(descriptor_) != 0 && errno != EINVAL) {
        return failWithSystemError();
    }
    if (straightIntoTarget_) {
        const int closed = ::close(std::exchange(descriptor_, -1));
        return closed == 0 || failWithSystemError();
    }
    return (!temporaryPath_.isEmpty() || nameUnnamedFile()) && placeWithoutReplacing();
}

// Only a named file can be renamed into place, in one step that replaces nothing unasked.
bool ClipTarget::nameUnnamedFile() {
    const QByteArray unnamed = "/proc/self/fd/" + QByteArray::number(descriptor_);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QByteArray name = temporaryNameIn(folderOf(finalPath_));
        if (::linkat(AT_FDCWD, unnamed.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0) {
            temporaryPath_ = name;
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return failWithSystemError();
}

bool ClipTarget::placeWithoutReplacing() {
    int placed = ::renameat2(AT_FDCWD, temporaryPath_.constData(), AT_FDCWD, finalPath_.constData(), RENAME_NOREPLACE);
    if (placed != 0 && errno == EINVAL) { // a file system without a no-replace rename
        placed = ::link(temporaryPath_.constData(), finalPath_.constData());
        if (placed == 0) {
            ::unlink(temporaryPath_.constData());
        }
    }
    if (placed == 0) {
        temporaryPath_.clear();
        return true;
    }
    if (errno != EEXIST) {
        return failWithSystemError();
    }
    return mayReplace_() && replaceTarget();
}

bool ClipTarget::replaceTarget() {
    if (::rename(temporaryPath_.constData(), finalPath_.constData()) != 0) {
        return failWithSystemError();
    }
    temporaryPath_.clear();
    return true;
}

} // namespace clip
