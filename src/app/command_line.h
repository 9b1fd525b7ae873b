#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What the command line asks for: `tuneshear [--help] [--version] [-platform NAME] [FILE]`.
struct CommandLine {
    // Set when the program ends before its window exists: `text` goes to the standard output for exit code 0 and
    // to the standard error otherwise.
    std::optional<int> exitCode;
    QString text;
    // The file to open as if chosen in the Open dialog, as an absolute path; empty for none.
    QString file;
    // The Qt platform plugin named with -platform; empty for the desktop's own.
    QString platform;
};

// `arguments` as the process got them, the program's name first.
CommandLine readCommandLine(const QStringList& arguments);

// The line shown instead of the window when Qt would find no display to show it on, none named or an X display that
// does not answer; nothing when it would, or when a platform plugin is named (on the command line or in
// QT_QPA_PLATFORM) and so is the user's choice.
std::optional<QString> missingDisplayLine(const CommandLine& commandLine);
