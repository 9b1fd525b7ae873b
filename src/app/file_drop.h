// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

// Takes every drag over `window`, before any control in it sees it (the browser pane would load a dropped file): one
// local MP3 file is accepted and, once dropped, handed to `open`; anything else is refused, and so is everything while
// `openButton` is disabled (during a save), as a drop stands in for it.
class Mp3DropTarget : public QObject {
public:
    Mp3DropTarget(QWidget* window, const QWidget* openButton, std::function<void(const QString& path)> open);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    const QWidget* openButton_;
    std::function<void(const QString& path)> open_;
};
