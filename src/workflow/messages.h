#pragma once

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

} // namespace workflow
