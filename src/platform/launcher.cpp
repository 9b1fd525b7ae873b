// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/launcher.h"

#include <QCoreApplication>
#include <QProcess>

namespace platform {

void launchDetached(const QString& program, const QStringList& arguments, LaunchEnded ended) {
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(
        process, &QProcess::finished, process, [process, ended](int exitCode, QProcess::ExitStatus status) {
            ended(status == QProcess::NormalExit && exitCode == 0);
            process->deleteLater();
        });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, ended](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            ended(false);
            process->deleteLater();
        }
    });
    process->start(program, arguments);
}

QString webAddressOpener() {
    return QStringLiteral("xdg-open");
}

} // namespace platform
