#include "workflow/source_check.h"

#include <QFile>
#include <sys/stat.h>

namespace workflow {
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

QString changedSinceOpenedReason(const QString& path) {
    return QStringLiteral("\"%1\" has changed since it was opened: open it again.").arg(path);
}

QString SourceCheck::changeAt(const QString& path) const {
    const auto now = fileStateOf(path);
    return opened_ && now == opened_ ? QString() : changedSinceOpenedReason(path);
}

} // namespace workflow
