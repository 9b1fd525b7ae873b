#include "app/shortcuts.h"

#include "app/form1.h"

#include <QKeySequence>
#include <QShortcut>

void addShortcuts(Form1& window) {
    const std::pair<QPushButton*, QKeySequence> buttonKeys[] {
        { window.Command4, QKeySequence(Qt::CTRL | Qt::Key_O) },
        { window.Command7, QKeySequence(Qt::CTRL | Qt::Key_S) },
        { window.Command5, QKeySequence(Qt::Key_I) },
        { window.Command6, QKeySequence(Qt::Key_O) },
    };
    for (const auto& [button, key] : buttonKeys) {
        QObject::connect(new QShortcut(key, &window), &QShortcut::activated, button, &QPushButton::click);
        button->setToolTip(QStringLiteral("%1 (%2)").arg(button->text(), key.toString(QKeySequence::NativeText)));
    }
    for (const QKeySequence& key : { QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::CTRL | Qt::Key_W) }) {
        QObject::connect(new QShortcut(key, &window), &QShortcut::activated, &window, &QWidget::close);
    }
}
