// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_drop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>
#include <optional>

namespace {

// The path of the one local MP3 file that `data` carries, or nothing when it carries anything else.
std::optional<QString> droppedMp3(const QMimeData& data) {
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) {
        return std::nullopt;
    }
    const QString path = urls.front().toLocalFile();
    if (!path.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive)) {
        return std::nullopt;
    }
    return path;
}

// The file is only read: a drop offered as a move would have the file manager delete it afterwards.
std::optional<QString> acceptAsCopy(QDropEvent& event, bool opening) {
    auto path = opening ? droppedMp3(*event.mimeData()) : std::nullopt;
    if (!path || !event.possibleActions().testFlag(Qt::CopyAction)) {
        event.ignore();
        return std::nullopt;
    }
    event.setDropAction(Qt::CopyAction);
    event.accept();
    return path;
}

} // namespace

Mp3DropTarget::Mp3DropTarget(QWidget* window, const QWidget* openButton, std::function<void(const QString& path)> open)
    : QObject(window)
    , window_(window)
    , openButton_(openButton)
    , open_(std::move(open)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

// Drags arrive at the window's native window first; that exists once the window is shown.
bool Mp3DropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_) {
        if (event->type() == QEvent::Show && window_->windowHandle() != nullptr) {
            window_->windowHandle()->installEventFilter(this);
        }
        return false;
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        acceptAsCopy(*static_cast<QDropEvent*>(event), openButton_->isEnabled());
        return true;
    case QEvent::DragLeave:
        return true;
    case QEvent::Drop: {
        if (const auto path = acceptAsCopy(*static_cast<QDropEvent*>(event), openButton_->isEnabled())) {
            // Opening waits with events running; the drop is finished first, so the file manager is not kept waiting.
            QTimer::singleShot(0, this, [this, file = *path] { open_(file); });
        }
        return true;
    }
    default:
        return false;
    }
}
