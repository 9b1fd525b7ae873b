// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/program_end.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

namespace clip {

// Asked when a file is found under the target's name at the moment the clip would replace it; true lets it.
using MayReplaceTarget = std::function<bool()>;

// The file a clip is written to before it takes the target's place. It is an unnamed file in the target's folder,
// or, where the file system has none, a file under a short name of its own there, so that any name the folder
// allows for the target can be saved over. Until commit() the target is untouched; an unfinished clip is removed
// when this object goes, and also when the program ends in the middle (the kernel removes an unnamed one itself).
//
// A symbolic link as the target is followed, and an existing target's permissions are kept. Only where the folder
// forbids new files but the target exists and may be written, the clip is written straight into the target: it is
// emptied at open(), and a failure or an abrupt end leaves it holding part of the clip.
//
// Each failure leaves the system's text for its cause in errorString(). open() and commit() also fail with no text
// when mayReplace said no: the file found under the target's name then stays as it is.
class ClipTarget {
public:
    ClipTarget(const QString& targetPath, MayReplaceTarget mayReplace);
    ~ClipTarget();
    ClipTarget(const ClipTarget&) = delete;
    ClipTarget& operator=(const ClipTarget&) = delete;

    bool open();
    // The bytes written, fewer where the file ends up short (a full disk, a size limit), or -1.
    int64_t write(const char* bytes, int64_t length);
    // Writes all of `bytes` again from `offset` on, over bytes already written: a header known only at the end.
    bool rewrite(int64_t offset, const char* bytes, int64_t length);
    // Puts the clip in the target's place. A file found under the target's name is replaced only if mayReplace
    // agrees, so that a file that appeared while the clip was written is not lost unasked.
    bool commit();
    QString errorString() const { return error_; }

private:
    void openNamedFileIn(const QByteArray& folder);
    bool openStraightIntoTarget();
    bool nameUnnamedFile();
    bool placeWithoutReplacing();
    bool replaceTarget();
    bool failWithSystemError();
    void discard();

    QByteArray finalPath_;
    MayReplaceTarget mayReplace_;
    int descriptor_ = -1;
    QByteArray temporaryPath_; // empty for an unnamed file and when writing straight into the target
    bool straightIntoTarget_ = false;
    QString error_;
    platform::CleanupAtProgramEnd discardAtProgramEnd_;
};

} // namespace clip
