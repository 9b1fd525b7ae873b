// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// What the command line asks for: `tuneshear [--help] [--version] [Qt's options] [FILE]`.
struct CommandLine {
    // Set when the program ends before its window exists: `text` goes to the standard output for exit code 0 and
    // to the standard error otherwise.
    std::optional<int> exitCode;
    QString text;
    // The file to open as if chosen in the Open dialog, as an absolute path; empty for none.
    QString file;
    // Qt's own options as given, each a name with a single dash and its value, for the application object.
    QStringList qtArguments;
    // The Qt platform plugin named with -platform and the X display named with -display; empty for none.
    QString platform;
    QString xDisplay;
};

// `arguments` as the process got them, the program's name first.
CommandLine readCommandLine(const QStringList& arguments);

// What tells whether a display can show the window; the tests give their own answers.
struct DisplayProbes {
    std::function<bool(const QString& name)> xDisplayAnswers;
    std::function<bool(const QString& name)> waylandDisplayAnswers;
    std::function<bool()> waylandPluginInstalled;

    static DisplayProbes platformDefaults();
};

// Where the window shows. Qt tries a Wayland display first where one is named (WAYLAND_DISPLAY, or a session of type
// wayland), then an X display, and aborts the program when the one it tries last fails.
struct DisplayChoice {
    // The platform plugin to name to Qt: "xcb" where Wayland is named but cannot be used and an X display answers;
    // empty where Qt's own choice works, or where a platform plugin is named (on the command line or in
    // QT_QPA_PLATFORM) and so is the user's choice.
    QString platform;
    // Where no display can show the window: the one line said instead, before the program ends with exit code 1.
    std::optional<QString> missingLine;
};

DisplayChoice chooseDisplay(const CommandLine& commandLine, const DisplayProbes& probes);
