#include "app/command_line.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

// The program itself, on a display where nothing answers: each of these ends before a window exists, with its answer
// at the start of one stream and nothing on the other.
TEST(CommandLine, EndsBeforeTheWindowWithItsAnswerOnTheRightStream) {
    const QString usage = "Usage: tuneshear [options] [FILE]\n";
    const std::tuple<QStringList, int, QString, QString> rows[] { { { "--help" }, 0, usage, "" },
        { { "--version" }, 0, "Tuneshear 1.0\n", "" },
        { { "--bogus" }, 2, "", "tuneshear: Unknown option 'bogus'.\n" + usage },
        { { "a.mp3", "b.mp3" }, 2, "", "tuneshear: Tuneshear opens one file at a time.\n" + usage },
        { {}, 1, "", "Tuneshear needs a graphical desktop: cannot connect to display :9999.\n" } };
    for (const auto& [arguments, exitCode, output, error] : rows) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" }) {
            environment.remove(name);
        }
        environment.insert("DISPLAY", ":9999");
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
}

// A platform named is the user's choice; else a display is wanted, and an X display must answer.
TEST(CommandLine, WantsADisplayThatAnswersUnlessAPlatformIsNamed) {
    const char* const names[] { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" };
    std::vector<std::optional<QByteArray>> saved;
    for (const char* name : names) {
        saved.push_back(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    }
    const std::tuple<const char*, const char*, QStringList, const char*> rows[] {
        { "", "", {}, "no display found (DISPLAY and WAYLAND_DISPLAY are unset)." },
        { "DISPLAY", ":9999", {}, "cannot connect to display :9999." },
        { "DISPLAY", ":9999", { "-platform", "offscreen" }, nullptr }, { "WAYLAND_DISPLAY", "x", {}, nullptr },
        { "QT_QPA_PLATFORM", "x", {}, nullptr }
    };
    for (const auto& [name, value, arguments, line] : rows) {
        for (const char* unset : names) {
            qunsetenv(unset);
        }
        if (*name != '\0') {
            qputenv(name, value);
        }
        const auto shown = missingDisplayLine(readCommandLine(QStringList { "tuneshear" } + arguments));
        EXPECT_EQ(
            shown.value_or("-").toStdString(), line ? "Tuneshear needs a graphical desktop: " + std::string(line) : "-")
            << name;
    }
    for (std::size_t index = 0; index < std::size(names); ++index) {
        saved[index] ? qputenv(names[index], *saved[index]) : qunsetenv(names[index]);
    }
}

} // namespace
