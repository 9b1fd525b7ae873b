// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace platform {

// Whether the X display `name` takes a connection, as Qt's X platform asks it to: Qt ends the program with an abort
// where it does not. Where the X library itself is missing, Qt cannot use X either; it then says so itself, so this
// says yes. A connection that answers is held until releaseCheckedXDisplay().
bool xDisplayAnswers(const QString& name);

// Closes the connection the last check held. An X server that loses its last client resets itself, which takes tens
// of milliseconds that a connection made meanwhile waits for; so the check's connection stays until Qt has its own.
void releaseCheckedXDisplay();

// Whether the Wayland display `name` (a socket name in the session's runtime folder, or a path) takes a connection.
// Without the Wayland library Qt's Wayland plugin cannot load, so that is a no.
bool waylandDisplayAnswers(const QString& name);

// Whether one of Qt's platform plugins is installed under `key` ("wayland", "xcb") in the folders Qt looks in. The
// plugins' own descriptions are read; nothing is loaded.
bool qtPlatformPluginInstalled(const QString& key);

} // namespace platform
