#include "app/command_line.h"

#include "platform/display.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

constexpr int kUsageError = 2;

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
    const QCommandLineOption platform(QStringLiteral("platform"),
        QStringLiteral("Show the window through Qt's platform plugin NAME (xcb, wayland, offscreen)."),
        QStringLiteral("NAME"));
    parser.addOptions({ help, version, platform });
    parser.addPositionalArgument(
        QStringLiteral("FILE"), QStringLiteral("An MP3 file to open."), QStringLiteral("[FILE]"));
    // Without an application object the parser cannot know the program's name.
    const QString usage = parser.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("tuneshear"));

    const auto usageError = [&usage](const QString& reason) {
        return CommandLine { kUsageError, QStringLiteral("tuneshear: %1\n%2").arg(reason, usage), {}, {} };
    };
    if (!parser.parse(arguments)) {
        return usageError(parser.errorText());
    }
    if (parser.isSet(help)) {
        return CommandLine { 0, usage, {}, {} };
    }
    if (parser.isSet(version)) {
        return CommandLine { 0, QStringLiteral("Tuneshear 1.0\n"), {}, {} };
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        return usageError(QStringLiteral("Tuneshear opens one file at a time."));
    }
    return CommandLine { std::nullopt, {}, files.isEmpty() ? QString() : QFileInfo(files.front()).absoluteFilePath(),
        parser.value(platform) };
}

std::optional<QString> missingDisplayLine(const CommandLine& commandLine) {
    const bool platformNamed = !commandLine.platform.isEmpty() || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    const QString display = qEnvironmentVariable("DISPLAY");
    const bool waylandNamed = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!platformNamed && display.isEmpty() && !waylandNamed) {
        return QStringLiteral(
            "Tuneshear needs a graphical desktop: no display found (DISPLAY and WAYLAND_DISPLAY are unset).");
    }
    if (!platformNamed && !waylandNamed && !platform::xDisplayAnswers(display)) {
        return QStringLiteral("Tuneshear needs a graphical desktop: cannot connect to display %1.").arg(display);
    }
    return std::nullopt;
}
