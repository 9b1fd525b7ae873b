// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/browser_pane.h"
#include "media/movie_module.h"
#include "platform/file_dialog.h"
#include "platform/launcher.h"
#include "platform/message_box.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

class QWidget;

// Everything the window reaches outside itself, in one place so that tests can replace each part:
// - chooseFile: the file dialog behind Cdlg; returns the chosen path, or nothing for Cancel.
// - showMessage: a modal message box over the window; returns the button pressed.
// - launch: starts a program without waiting for it, and says later whether it succeeded (Website).
// - endProgram: ends the process when the window closes; it must not return into the program's work. Tests record
//   the call instead, and then the handler that was waiting goes on.
// - movieHooks: given to `movie` when it is created (media commands, time of day, waiting with events running).
// - sleep: blocks without handling events (the preview loop's pause).
// - processPendingEvents: handles the window events waiting at that moment (preview and save loops).
// - makeBrowserPane: makes the browser pane once the window is on the screen. The program's is loaded aside from its
//   start (main); the platform defaults have none, and without one the window has no pane.
struct WindowServices {
    platform::FileChooser chooseFile;
    std::function<platform::MessageAnswer(QWidget* owner, const QString& text, platform::MessageButtons buttons)>
        showMessage;
    std::function<void(const QString& program, const QStringList& arguments, platform::LaunchEnded ended)> launch;
    std::function<void()> endProgram;
    MovieModuleHooks movieHooks;
    std::function<void(std::chrono::milliseconds)> sleep;
    std::function<void()> processPendingEvents;
    BrowserPaneMaker makeBrowserPane;

    static WindowServices platformDefaults();
};
