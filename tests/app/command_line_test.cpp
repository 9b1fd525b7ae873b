#include "app/command_line.h"
#include "support/workflow_harness.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// The program itself: all of these end before a window exists. Output is compared by its beginning.
TEST(CommandLine, EndsBeforeTheWindowWithItsAnswerOnTheRightStream) {
    const struct {
        QStringList arguments;
        bool withoutDisplay;
        int exitCode;
        const char* output;
        const char* error;
    } rows[] {
        { { "--help" }, false, 0, "Usage: tuneshear [options] [FILE]\n", "" },
        { { "--version" }, false, 0, "Tuneshear 1.0\n", "" },
        { { "--bogus" }, false, 2, "", "tuneshear: Unknown option 'bogus'.\nUsage: tuneshear" },
        { { "a.mp3", "b.mp3" }, false, 2, "", "tuneshear: Tuneshear opens one file at a time.\nUsage: tuneshear" },
        { {}, true, 1, "",
            "Tuneshear needs a graphical desktop: no display found (DISPLAY and WAYLAND_DISPLAY are unset).\n" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        QProcess program;
        auto environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" }) {
            if (row.withoutDisplay) {
                environment.remove(name);
            }
        }
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TUNESHEAR_BINARY), row.arguments);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitCode(), row.exitCode);
        const QString output = program.readAllStandardOutput();
        const QString error = program.readAllStandardError();
        const auto begins = [](const QString& text, const char* start) {
            return *start == '\0' ? text.isEmpty() : text.startsWith(QLatin1String(start));
        };
        EXPECT_TRUE(begins(output, row.output)) << output.toStdString();
        EXPECT_TRUE(begins(error, row.error)) << error.toStdString();
    }
}

TEST(CommandLine, AFileGivenOpensAsIfChosenInTheOpenDialog) {
    const struct {
        const char* argument;
        bool plays;
        const char* message;
    } rows[] {
        { nullptr, false, nullptr },
        { "song.mp3", true, nullptr },
        { "missing.mp3", false,
            "Cannot play missing.mp3: the file is missing or is not an MP3 file that Tuneshear can play." },
    };
    const QString startFolder = QDir::currentPath();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.argument ? row.argument : "no file");
        test_support::WorkflowHarness harness;
        const QString song = QString::fromStdString(harness.silentMp3("song.mp3", 3s).string());
        QDir::setCurrent(QString::fromStdString(harness.folder().string()));
        const CommandLine commandLine
            = readCommandLine(row.argument ? QStringList { "tuneshear", row.argument } : QStringList { "tuneshear" });
        QDir::setCurrent(startFolder);
        ASSERT_FALSE(commandLine.exitCode);
        if (!commandLine.file.isEmpty()) {
            harness.window().openGivenFile(commandLine.file);
        }

        EXPECT_EQ(harness.window().sourceFile, row.plays ? song : QString());
        EXPECT_EQ(harness.devicePlaying(), row.plays);
        EXPECT_EQ(harness.window().Command1->text(), row.plays ? "Pause" : "Play");
        EXPECT_EQ(harness.fakes().messages.size(), row.message ? 1u : 0u);
        if (row.message) {
            EXPECT_EQ(harness.fakes().messages.front().text, row.message);
        }
    }
}

} // namespace
