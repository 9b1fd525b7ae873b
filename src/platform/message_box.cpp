#include "platform/message_box.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace platform {

namespace {

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
    const bool yesNo = buttons == MessageButtons::YesNo;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tuneshear"), QString(),
        yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
    box.setText(
        textThatFitsScreen(text, box.fontMetrics(), owner ? owner->screen() : QGuiApplication::primaryScreen()));
    box.setEscapeButton(yesNo ? QMessageBox::No : QMessageBox::Ok);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    if (!yesNo) {
        return MessageAnswer::Ok;
    }
    return pressed == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace platform
