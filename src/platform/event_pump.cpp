// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <thread>

namespace platform {

void processPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void processEventsFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(duration);
    loop.exec();
}

void sleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

} // namespace platform
