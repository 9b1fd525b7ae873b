// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shortcuts.h"

#include "app/form1.h"

#include <QKeySequence>
#include <QShortcut>
#include <functional>

namespace {

QString keyText(const QKeySequence& key) {
    return key.toString(QKeySequence::NativeText);
}

} // namespace

void addShortcuts(Form1& window) {
    const std::pair<QPushButton*, QKeySequence> buttonKeys[] {
        { window.Command4, QKeySequence(Qt::CTRL | Qt::Key_O) },
        { window.Command7, QKeySequence(Qt::CTRL | Qt::Key_S) },
        { window.Command5, QKeySequence(Qt::Key_I) },
        { window.Command6, QKeySequence(Qt::Key_O) },
    };
    for (const auto& [button, key] : buttonKeys) {
        QObject::connect(new QShortcut(key, &window), &QShortcut::activated, button, &QPushButton::click);
        button->setToolTip(QStringLiteral("%1 (%2)").arg(button->text(), keyText(key)));
    }
    for (const QKeySequence& key : { QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::CTRL | Qt::Key_W) }) {
        QObject::connect(new QShortcut(key, &window), &QShortcut::activated, &window, &QWidget::close);
    }

    // Holding a step key steps on; an edge plays once for each press.
    const QKeySequence oneBack(Qt::SHIFT | Qt::Key_Left);
    const QKeySequence oneOn(Qt::SHIFT | Qt::Key_Right);
    const QKeySequence startEdge(Qt::Key_BracketLeft);
    const QKeySequence endEdge(Qt::Key_BracketRight);
    const std::tuple<QKeySequence, std::function<void()>, bool> positionKeys[] {
        { oneBack, [&window] { window.onFrameStep(-1); }, true },
        { oneOn, [&window] { window.onFrameStep(1); }, true },
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Left), [&window] { window.onFrameStep(-10); }, true },
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Right), [&window] { window.onFrameStep(10); }, true },
        { startEdge, [&window] { window.onPlayStartEdge(); }, false },
        { endEdge, [&window] { window.onPlayEndEdge(); }, false },
    };
    for (const auto& [key, handler, repeats] : positionKeys) {
        auto* const shortcut = new QShortcut(key, &window);
        shortcut->setAutoRepeat(repeats);
        QObject::connect(shortcut, &QShortcut::activated, &window, [&window, handler] {
            if (window.fileIsOpen() && !window.savingClip()) {
                handler();
            }
        });
    }
    window.H->setToolTip(
        QStringLiteral("%1, %2: a frame back or on; with Ctrl, ten frames").arg(keyText(oneBack), keyText(oneOn)));
    window.Command9->setToolTip(QStringLiteral("%1 (%2: its first 2 seconds, %3: its last 2 seconds)")
                                    .arg(window.Command9->text(), keyText(startEdge), keyText(endEdge)));
}
