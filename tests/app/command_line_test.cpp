#include "app/command_line.h"
#include "support/workflow_harness.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// The program itself, without a display: each of these ends before a window exists, with its answer at the start
// of one stream and nothing on the other.
TEST(CommandLine, EndsBeforeTheWindowWithItsAnswerOnTheRightStream) {
    const QString usage = "Usage: tuneshear [options] [FILE]\n";
    const std::tuple<QStringList, int, QString, QString> rows[] { { { "--help" }, 0, usage, "" },
        { { "--version" }, 0, "Tuneshear 1.0\n", "" },
        { { "--bogus" }, 2, "", "tuneshear: Unknown option 'bogus'.\n" + usage },
        { { "a.mp3", "b.mp3" }, 2, "", "tuneshear: Tuneshear opens one file at a time.\n" + usage },
        { {}, 1, "",
            "Tuneshear needs a graphical desktop: no display found (DISPLAY and WAYLAND_DISPLAY are unset).\n" } };
    for (const auto& [arguments, exitCode, output, error] : rows) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" }) {
            environment.remove(name);
        }
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
    EXPECT_FALSE(missingDisplayLine(readCommandLine({ "tuneshear", "-platform", "offscreen" })));
    for (std::size_t index = 0; index < std::size(names); ++index) {
        saved[index] ? qputenv(names[index], *saved[index]) : qunsetenv(names[index]);
    }
}

// A drop on the window's native window opens like the Open dialog, only for one MP3 file offered as a copy.
TEST(FileDrop, OpensOneMp3OfferedAsACopy) {
    const std::tuple<const char*, int, Qt::DropActions, bool> rows[] { { "name as text", 0, Qt::CopyAction, false },
        { "dropped", 1, Qt::CopyAction | Qt::MoveAction, true }, { "two files", 2, Qt::CopyAction, false },
        { "only to be moved", 1, Qt::MoveAction, false } };
    for (const auto& [name, files, offered, plays] : rows) {
        test_support::WorkflowHarness harness;
        harness.window().show();
        const QString song = harness.folder() + "/song.mp3";
        test_support::writeSilentMp3(song.toStdString(), std::chrono::seconds(3));
        QMimeData data;
        files == 0 ? data.setText(song) : data.setUrls(QList<QUrl>(files, QUrl::fromLocalFile(song)));
        QDragEnterEvent enter(QPoint(300, 220), offered, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(300, 220), offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(harness.window().windowHandle(), &enter);
        QCoreApplication::sendEvent(harness.window().windowHandle(), &drop);
        harness.run("pass 0");
        EXPECT_EQ(enter.isAccepted(), plays) << name;
        EXPECT_EQ(drop.isAccepted() && drop.dropAction() == Qt::CopyAction, plays) << name;
        EXPECT_EQ(harness.window().sourceFile, plays ? song : QString()) << name;
    }
}

} // namespace
