// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"
#include "platform/display.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

// The program itself, where neither its Wayland nor its X display answers: each of these ends before a window exists,
// with its answer at the start of one stream and nothing on the other. Qt's options pass as Qt reads them.
TEST(CommandLine, EndsBeforeTheWindowWithItsAnswerOnTheRightStream) {
    const QString usage = "Usage: tuneshear [options] [FILE]\n";
    const QString noDisplay = "Tuneshear needs a graphical desktop: cannot connect to the Wayland display ts-nowhere";
    const std::tuple<QStringList, int, QString, QString> rows[] { { { "--help" }, 0, usage, "" },
        { { "--version" }, 0, "Tuneshear 1.0\n", "" },
        { { "--bogus" }, 2, "", "tuneshear: Unknown option 'bogus'.\n" + usage },
        { { "a.mp3", "b.mp3" }, 2, "", "tuneshear: Tuneshear opens one file at a time.\n" + usage },
        { {}, 1, "", noDisplay }, { { "-style", "Fusion", "-reverse", "a.mp3" }, 1, "", noDisplay },
        { { "-stylesheet=a.qss", "-widgetcount", "-qwindowgeometry", "640x480", "a.mp3" }, 1, "", noDisplay } };
    for (const auto& [arguments, exitCode, output, error] : rows) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM");
        environment.insert("DISPLAY", ":9999");
        environment.insert("WAYLAND_DISPLAY", "ts-nowhere");
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TUNESHEAR_BINARY), arguments);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitCode(), exitCode) << arguments.join(' ').toStdString();
        const auto head = [](const QByteArray& text, const QString& expected) {
            return QString(text).left(std::max<qsizetype>(expected.size(), 1));
        };
        EXPECT_EQ(head(program.readAllStandardOutput(), output), output) << arguments.join(' ').toStdString();
        EXPECT_EQ(head(program.readAllStandardError(), error), error) << arguments.join(' ').toStdString();
    }
    EXPECT_EQ(readCommandLine({ "tuneshear", "a b.mp3" }).file, QDir::current().absoluteFilePath("a b.mp3"));
    EXPECT_EQ(
        readCommandLine({ "tuneshear", "-reverse", "--style=Fusion", "-plugin", "a", "-plugin", "b" }).qtArguments,
        QStringList({ "-plugin", "a", "-plugin", "b", "-style", "Fusion", "-reverse" }));
}

// A platform named is the user's choice. Else Qt tries a Wayland display first where one is named, then an X display;
// the one tried must answer, or the window shows through X where Wayland cannot be used. Probes: x, w answer; p the
// Wayland plugin is there.
TEST(CommandLine, ChoosesADisplayThatAnswersUnlessAPlatformIsNamed) {
    const char* const names[] { "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM" };
    std::vector<std::optional<QByteArray>> saved;
    for (const char* name : names) {
        saved.push_back(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    }
    const std::tuple<QStringList, QStringList, QString, QString> rows[] {
        { {}, {}, "xpw", "no display found (DISPLAY and WAYLAND_DISPLAY are unset)." },
        { { "DISPLAY=:9" }, {}, "pw", "cannot connect to display :9." },
        { { "DISPLAY=:9" }, { "-platform", "offscreen" }, "", "" },
        { { "QT_QPA_PLATFORM=x" }, {}, "", "" },
        { { "DISPLAY=:9" }, {}, "x", "" },
        { {}, { "-display", ":5" }, "x", "" },
        { { "WAYLAND_DISPLAY=w", "DISPLAY=:9" }, {}, "pw", "" },
        { { "WAYLAND_DISPLAY=w", "DISPLAY=:9" }, {}, "xw", "xcb" },
        { { "WAYLAND_DISPLAY=w" }, {}, "xw",
            "cannot connect to the Wayland display w (Qt's Wayland plugin, in the package qt6-wayland, is not "
            "installed)." },
        { { "WAYLAND_DISPLAY=w", "DISPLAY=:9" }, {}, "xp", "xcb" },
        { { "WAYLAND_DISPLAY=w", "DISPLAY=:9" }, {}, "p", "cannot connect to the Wayland display w or to display :9." },
        { { "XDG_SESSION_TYPE=wayland" }, {}, "xp", "cannot connect to the Wayland display wayland-0." },
    };
    for (const auto& [environment, arguments, answering, shown] : rows) {
        for (const char* unset : names) {
            qunsetenv(unset);
        }
        for (const QString& variable : environment) {
            qputenv(variable.section('=', 0, 0).toLatin1(), variable.section('=', 1).toLatin1());
        }
        const auto answers = [&answering = answering](char probe) { return answering.contains(probe); };
        const DisplayChoice choice = chooseDisplay(readCommandLine(QStringList { "tuneshear" } + arguments),
            { [&](const QString&) { return answers('x'); }, [&](const QString&) { return answers('w'); },
                [&] { return answers('p'); } });
        EXPECT_EQ(choice.missingLine.value_or(choice.platform).toStdString(),
            (shown.endsWith('.') ? "Tuneshear needs a graphical desktop: " + shown : shown).toStdString())
            << environment.join(' ').toStdString();
    }
    for (std::size_t index = 0; index < std::size(names); ++index) {
        saved[index] ? qputenv(names[index], *saved[index]) : qunsetenv(names[index]);
    }
    platform::releaseCheckedXDisplay(); // where no X display was checked, nothing is held and nothing happens
}

} // namespace
