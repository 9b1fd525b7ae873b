#include "app/command_line.h"
#include "support/workflow_harness.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// The program itself, without a display: each of these ends before a window exists, with its answer at the start
// of one stream and nothing on the other.
TEST(CommandLine, EndsBeforeTheWindowWithItsAnswerOnTheRightStream) {
    const QString usage = "Usage: tuneshear [options] [FILE]\n";
    const struct {
        QStringList arguments;
        int exitCode;
        QString output, error;
    } rows[] {
        { { "--help" }, 0, usage, "" },
        { { "--version" }, 0, "Tuneshear 1.0\n", "" },
        { { "--bogus" }, 2, "", "tuneshear: Unknown option 'bogus'.\n" + usage },
        { { "a.mp3", "b.mp3" }, 2, "", "tuneshear: Tuneshear opens one file at a time.\n" + usage },
        { {}, 1, "",
            "Tuneshear needs a graphical desktop: no display found (DISPLAY and WAYLAND_DISPLAY are unset).\n" },
    };
    const auto head = [](const QByteArray& text, const QString& expected) {
        return QString::fromLocal8Bit(text).left(std::max<qsizetype>(expected.size(), 1));
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" }) {
            environment.remove(name);
        }
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TUNESHEAR_BINARY), row.arguments);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitCode(), row.exitCode);
        EXPECT_EQ(head(program.readAllStandardOutput(), row.output), row.output);
        EXPECT_EQ(head(program.readAllStandardError(), row.error), row.error);
    }
}

// A file handed over by the desktop, on the command line or dropped on the window's native window, opens as if chosen
// in the Open dialog. A drop is taken only for one MP3 file offered as a copy.
TEST(GivenFile, OpensAsIfChosenInTheOpenDialog) {
    const struct {
        const char* name;
        QString argument; // on the command line; empty: dropped as its name in text, or as the file once or twice
        int filesDropped;
        Qt::DropActions offered;
        bool plays;
    } rows[] {
        { "no file", "", 0, Qt::CopyAction, false },
        { "song.mp3", "song.mp3", 1, {}, true },
        { "missing.mp3", "missing.mp3", 1, {}, false },
        { "dropped", "", 1, Qt::CopyAction | Qt::MoveAction, true },
        { "two files dropped", "", 2, Qt::CopyAction, false },
        { "dropped only to be moved", "", 1, Qt::MoveAction, false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test_support::WorkflowHarness harness;
        Form1& window = harness.window();
        window.show();
        const QString song = harness.folder() + "/song.mp3";
        test_support::writeSilentMp3(song.toStdString(), std::chrono::seconds(3));
        const QString startFolder = QDir::currentPath();
        QDir::setCurrent(harness.folder());
        const CommandLine commandLine
            = readCommandLine(QStringList { "tuneshear", row.argument }.filter(QRegularExpression(".")));
        QDir::setCurrent(startFolder);
        QMimeData data;
        row.filesDropped == 0 ? data.setText(song)
                              : data.setUrls(QList<QUrl>(row.filesDropped, QUrl::fromLocalFile(song)));
        QDragEnterEvent enter(QPoint(300, 220), row.offered, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(300, 220), row.offered, &data, Qt::LeftButton, Qt::NoModifier);

        if (!commandLine.file.isEmpty()) {
            window.openGivenFile(commandLine.file);
        } else {
            QCoreApplication::sendEvent(window.windowHandle(), &enter);
            QCoreApplication::sendEvent(window.windowHandle(), &drop);
            harness.pass(std::chrono::milliseconds(0));
            EXPECT_EQ(enter.isAccepted(), row.plays);
            EXPECT_EQ(drop.isAccepted() && drop.dropAction() == Qt::CopyAction, row.plays);
        }

        EXPECT_EQ(window.sourceFile, row.plays ? song : QString());
        EXPECT_EQ(harness.devicePlaying(), row.plays);
        EXPECT_EQ(harness.messages.size(), row.argument == "missing.mp3" ? 1u : 0u);
    }
}

// Any one of a display, a Wayland display or a platform named is enough to start.
TEST(CommandLine, NeedsNoMoreThanOneWayToShowTheWindow) {
    const char* const names[] { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" };
    std::vector<std::optional<QByteArray>> saved;
    for (const char* name : names) {
        saved.push_back(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    }
    for (const char* named : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "" }) {
        for (const char* name : names) {
            qunsetenv(name);
        }
        if (*named != '\0') {
            qputenv(named, "x");
        }
        EXPECT_EQ(missingDisplayLine(readCommandLine({ "tuneshear" })).has_value(), *named == '\0') << named;
    }
    for (std::size_t index = 0; index < std::size(names); ++index) {
        saved[index] ? qputenv(names[index], *saved[index]) : qunsetenv(names[index]);
    }
}

} // namespace
