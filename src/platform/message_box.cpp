#include "platform/message_box.h"

#include <QMessageBox>

namespace platform {

MessageAnswer showMessageBox(QWidget* owner, const QString& text, MessageButtons buttons) {
    const bool yesNo = buttons == MessageButtons::YesNo;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tuneshear"), text,
        yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
    box.setEscapeButton(yesNo ? QMessageBox::No : QMessageBox::Ok);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    if (!yesNo) {
        return MessageAnswer::Ok;
    }
    return pressed == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace platform
