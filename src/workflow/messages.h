// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clip/clip_copy.h"

#include <QFileInfo>
#include <QLatin1String>
#include <QString>

// The texts the editing workflow puts on the window: captions, clock resets, the open dialog's filter and the
// message boxes.
namespace workflow {

// Command1's caption is the play state: "Play" means the next click starts playback.
inline constexpr QLatin1String kPlayCaption { "Play" };
inline constexpr QLatin1String kPauseCaption { "Pause" };

inline constexpr QLatin1String kClockReset { "0 : 0 : 0" };

inline constexpr QLatin1String kOpenFilter { "MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*" };
inline constexpr QLatin1String kSaveFilter = kOpenFilter;
inline constexpr QLatin1String kSaveDialogTitle { "Save" };
// Save leaves its title on the shared dialog; Open sets its own so that its dialog never reads "Save".
inline constexpr QLatin1String kOpenDialogTitle { "Open" };

// The window's caption while a clip is written, and after any save that got past the selection check.
inline constexpr QLatin1String kSavingCaption { "Saving" };
inline constexpr QLatin1String kCaptionAfterSave { "Tuneshear" };

inline constexpr QLatin1String kWrongSelection { "Wrong Selection" };
inline constexpr QLatin1String kCannotOverwriteFileInUse { "Cannot overwrite file in use..." };
inline constexpr QLatin1String kFileExistsOverwrite { "File already exist.Overwrite?" };
inline constexpr QLatin1String kClipSaved { "Clip Saved" };

inline QString cannotPlayMessage(const QString& path) {
    return QStringLiteral("Cannot play %1: the file is missing or is not an MP3 file that Tuneshear can play.")
        .arg(QFileInfo(path).fileName());
}

inline QString clipNotSavedMessage(const QString& reason) {
    return QStringLiteral("The clip was not saved: %1").arg(reason);
}

inline QString changedSinceOpenedMessage(const QString& path) {
    return QStringLiteral("\"%1\" has changed since it was opened: open it again.").arg(path);
}

inline QString playingTimeUnknownReason(int32_t mediaError) {
    return QStringLiteral("The playing time of the opened file is unknown (media error %1).").arg(mediaError);
}

// Why a save from sourcePath to targetPath of the marks made no clip; empty where nothing went wrong.
inline QString clipFailureReason(const clip::Failure& failure, const QString& sourcePath, const QString& targetPath,
    int32_t markStart, int32_t markEnd) {
    const auto about = [](const char* what, const QString& path, const QString& reason) {
        return QStringLiteral("%1 \"%2\": %3").arg(QLatin1String(what), path, reason);
    };
    switch (failure.kind) {
    case clip::FailureKind::SourceMissing:
        return about("Cannot measure", sourcePath, QStringLiteral("No such file or directory"));
    case clip::FailureKind::SourceNotRegularFile:
        return about("Cannot measure", sourcePath, QStringLiteral("not a regular file"));
    case clip::FailureKind::CannotOpenSource:
        return about("Cannot open", sourcePath, failure.systemReason);
    case clip::FailureKind::CannotReadSource:
        return about("Cannot read", sourcePath, failure.systemReason);
    case clip::FailureKind::SourceChanged:
        return changedSinceOpenedMessage(sourcePath);
    case clip::FailureKind::MediaLengthUnknown:
        return QStringLiteral("The media length is %1 ms, so the bytes per millisecond are unknown.")
            .arg(failure.figure, 0, 'f', 0);
    case clip::FailureKind::RateTooLarge:
        return QStringLiteral("%1 bytes per millisecond is beyond what a clip position can hold.")
            .arg(failure.figure, 0, 'f', 0);
    case clip::FailureKind::SelectionTooLarge:
        return QStringLiteral("The selection from %1 ms to %2 ms at %3 bytes per millisecond is too large to save.")
            .arg(markStart)
            .arg(markEnd)
            .arg(failure.figure, 0, 'f', 0);
    case clip::FailureKind::SelectionHoldsNoBytes:
        return QStringLiteral("The selection holds no bytes.");
    case clip::FailureKind::StartsBeforeSource:
        return QStringLiteral("The clip would start at byte %1, before the source's first byte.")
            .arg(failure.figure, 0, 'f', 0);
    case clip::FailureKind::CannotWriteTarget:
        return about("Cannot write", targetPath, failure.systemReason);
    case clip::FailureKind::TargetKept:
        break;
    }
    return {};
}

} // namespace workflow
