// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/message_box.h"

#include "platform/pixmap_caching.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>

namespace platform {

namespace {

// A window manager's title bar holds its own buttons beside the title; Qt sizes a short message's box for the title
// alone, and the title then shows cut short, as "T…ar".
constexpr int kMinimumBoxWidthPixels = 280;

// A message box breaks its text between words only, so a word wider than half the screen (a long path, a long file
// name) would stretch the box past the screen's edge: such a word is shortened in its middle, where a path is least
// telling. Qt's box keeps its text within half the screen's width, and no wider than 500 pixels, where it can.
QString textThatFitsScreen(const QString& text, const QFontMetrics& metrics, const QScreen* screen) {
    const int widest = std::min(screen->availableGeometry().width() / 2, 500);
    QStringList words = text.split(QLatin1Char(' '));
    for (QString& word : words) {
        if (metrics.horizontalAdvance(word) > widest) {
            word = metrics.elidedText(word, Qt::ElideMiddle, widest);
        }
    }
    return words.join(QLatin1Char(' '));
}

} // namespace

MessageAnswer showMessageBox(QWidget* owner, const QString& text, MessageButtons buttons) {
    const PixmapCachingPaused noCachedIcons;
    const bool yesNo = buttons == MessageButtons::YesNo;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tuneshear"), QString(),
        yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
    box.setText(
        textThatFitsScreen(text, box.fontMetrics(), owner ? owner->screen() : QGuiApplication::primaryScreen()));
    box.setEscapeButton(yesNo ? QMessageBox::No : QMessageBox::Ok);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(kMinimumBoxWidthPixels, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    if (!yesNo) {
        return MessageAnswer::Ok;
    }
    return pressed == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace platform
