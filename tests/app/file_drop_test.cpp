#include "support/workflow_harness.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(FileDrop, OneLocalMp3OpensAsIfChosenAndAnythingElseIsRefused) {
    const struct {
        const char* name;
        std::function<void(QMimeData&, const QUrl& song)> carry;
        Qt::DropActions offered;
        bool opens;
    } rows[] {
        { "an MP3 file", [](QMimeData& data, const QUrl& song) { data.setUrls({ song }); },
            Qt::CopyAction | Qt::MoveAction, true },
        { "text", [](QMimeData& data, const QUrl&) { data.setText("song.mp3"); }, Qt::CopyAction, false },
        { "two MP3 files",
            [](QMimeData& data, const QUrl& song) {
                data.setUrls({ song, song });
            },
            Qt::CopyAction, false },
        { "a web address", [](QMimeData& data, const QUrl&) { data.setUrls({ QUrl("https://example.org/a.mp3") }); },
            Qt::CopyAction, false },
        { "an MP3 file only to be moved", [](QMimeData& data, const QUrl& song) { data.setUrls({ song }); },
            Qt::MoveAction, false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test_support::WorkflowHarness harness;
        Form1& window = harness.window();
        window.show();
        const auto song = harness.silentMp3("song.mp3", 3s);
        QMimeData data;
        row.carry(data, QUrl::fromLocalFile(QString::fromStdString(song.string())));

        QDragEnterEvent enter(QPoint(300, 220), row.offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.windowHandle(), &enter);
        QDropEvent drop(QPointF(300, 220), row.offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.windowHandle(), &drop);
        harness.pass(0ms);

        EXPECT_EQ(enter.isAccepted(), row.opens);
        EXPECT_EQ(drop.dropAction() == Qt::CopyAction && drop.isAccepted(), row.opens);
        EXPECT_EQ(window.sourceFile, row.opens ? QString::fromStdString(song.string()) : QString());
        EXPECT_EQ(harness.devicePlaying(), row.opens);
    }
}

} // namespace
