#include "platform/launcher.h"

#include <QProcess>

namespace platform {

void launchDetached(const QString& program, const QStringList& arguments) {
    QProcess::startDetached(program, arguments);
}

QString webAddressOpener() {
    return QStringLiteral("xdg-open");
}

} // namespace platform
