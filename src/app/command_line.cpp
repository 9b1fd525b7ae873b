// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include "platform/display.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <vector>

namespace {

constexpr int kUsageError = 2;

// The options that Qt's application object reads for itself, with the name of the value each takes; Qt writes them
// with one dash.
struct QtOption {
    const char* name;
    const char* valueName;
};
constexpr QtOption kQtOptions[] {
    { "platform", "NAME[:OPTIONS]" },
    { "platformpluginpath", "PATH" },
    { "platformtheme", "NAME" },
    { "plugin", "NAME" },
    { "style", "STYLE" },
    { "stylesheet", "FILE" },
    { "reverse", nullptr },
    { "widgetcount", nullptr },
    { "qwindowgeometry", "GEOMETRY" },
    { "qwindowtitle", "TITLE" },
    { "qwindowicon", "FILE" },
    { "session", "ID" },
    { "testability", nullptr },
    { "qmljsdebugger", "SETTINGS" },
    // X11 only
    { "display", "NAME" },
    { "geometry", "GEOMETRY" },
    { "title", "TITLE" },
    { "icon", "FILE" },
    { "name", "NAME" },
    { "visual", "ID" },
    { "nograb", nullptr },
    { "dograb", nullptr },
};

QString qtOptionsHelp() {
    QStringList written;
    for (const auto& [name, valueName] : kQtOptions) {
        written.append(QLatin1Char('-') + QLatin1String(name)
            + (valueName ? QLatin1Char(' ') + QLatin1String(valueName) : QString()));
    }
    return QStringLiteral("\nQt's own options, read as Qt reads them:\n  %1.\n").arg(written.join(QLatin1String(", ")));
}

} // namespace

CommandLine readCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Cuts a clip out of an MP3 file. A FILE given opens and plays at once."));
    // Qt's own options are written with one dash.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help."));
    const QCommandLineOption version(
        { QStringLiteral("v"), QStringLiteral("version") }, QStringLiteral("Show the version."));
    parser.addOptions({ help, version });
    std::vector<QCommandLineOption> qtOptions;
    for (const auto& [name, valueName] : kQtOptions) {
        QCommandLineOption option { QLatin1String(name) };
        if (valueName != nullptr) {
            option.setValueName(QLatin1String(valueName));
        }
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
        qtOptions.push_back(std::move(option));
    }
    parser.addPositionalArgument(
        QStringLiteral("FILE"), QStringLiteral("An MP3 file to open."), QStringLiteral("[FILE]"));
    // Without an application object the parser cannot know the program's name.
    const QString usage
        = parser.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("tuneshear")) + qtOptionsHelp();

    const auto usageError = [&usage](const QString& reason) {
        return CommandLine { kUsageError, QStringLiteral("tuneshear: %1\n%2").arg(reason, usage), {}, {}, {}, {} };
    };
    if (!parser.parse(arguments)) {
        return usageError(parser.errorText());
    }
    if (parser.isSet(help)) {
        return CommandLine { 0, usage, {}, {}, {}, {} };
    }
    if (parser.isSet(version)) {
        return CommandLine { 0, QStringLiteral("Tuneshear 1.0\n"), {}, {}, {}, {} };
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        return usageError(QStringLiteral("Tuneshear opens one file at a time."));
    }
    CommandLine commandLine;
    commandLine.file = files.isEmpty() ? QString() : QFileInfo(files.front()).absoluteFilePath();
    for (const QCommandLineOption& option : qtOptions) {
        const QString dashed = QLatin1Char('-') + option.names().front();
        if (option.valueName().isEmpty()) {
            if (parser.isSet(option)) {
                commandLine.qtArguments.append(dashed);
            }
            continue;
        }
        for (const QString& value : parser.values(option)) {
            commandLine.qtArguments.append({ dashed, value });
        }
    }
    commandLine.platform = parser.value(QStringLiteral("platform"));
    commandLine.xDisplay = parser.value(QStringLiteral("display"));
    return commandLine;
}

DisplayProbes DisplayProbes::platformDefaults() {
    return { platform::xDisplayAnswers, platform::waylandDisplayAnswers,
        [] { return platform::qtPlatformPluginInstalled(QStringLiteral("wayland")); } };
}

DisplayChoice chooseDisplay(const CommandLine& commandLine, const DisplayProbes& probes) {
    if (!commandLine.platform.isEmpty() || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return {};
    }
    const QString xDisplay = commandLine.xDisplay.isEmpty() ? qEnvironmentVariable("DISPLAY") : commandLine.xDisplay;
    // The Wayland library's own default name where only the session's type says Wayland.
    const QString waylandDisplay = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        ? qEnvironmentVariable("WAYLAND_DISPLAY")
        : qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ? QStringLiteral("wayland-0")
                                                                               : QString();
    const auto missing = [](const QString& reason) {
        return DisplayChoice { {}, QStringLiteral("Tuneshear needs a graphical desktop: %1.").arg(reason) };
    };
    if (waylandDisplay.isEmpty()) {
        if (xDisplay.isEmpty()) {
            return missing(QStringLiteral("no display found (DISPLAY and WAYLAND_DISPLAY are unset)"));
        }
        if (!probes.xDisplayAnswers(xDisplay)) {
            return missing(QStringLiteral("cannot connect to display %1").arg(xDisplay));
        }
        return {};
    }
    const bool pluginInstalled = probes.waylandPluginInstalled();
    if (pluginInstalled && probes.waylandDisplayAnswers(waylandDisplay)) {
        return {};
    }
    if (!xDisplay.isEmpty() && probes.xDisplayAnswers(xDisplay)) {
        return { QStringLiteral("xcb"), std::nullopt };
    }
    QString reason = QStringLiteral("cannot connect to the Wayland display %1").arg(waylandDisplay);
    if (!pluginInstalled) {
        reason += QStringLiteral(" (Qt's Wayland plugin, in the package qt6-wayland, is not installed)");
    }
    if (!xDisplay.isEmpty()) {
        reason += QStringLiteral(" or to display %1").arg(xDisplay);
    }
    return missing(reason);
}
