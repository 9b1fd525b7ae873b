#include "platform/message_box.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace platform {

namespace {

// A window manager's title bar holds its own buttons beside the title; Qt sizes a short message's box for the title
// alone, and the title then shows cut short, as "T…ar".
constexpr int kMinimumBoxWidthPixels = 280;

} // namespace

MessageAnswer showMessageBox(QWidget* owner, const QString& text, MessageButtons buttons) {
    const bool yesNo = buttons == MessageButtons::YesNo;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tuneshear"), text,
        yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
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
