// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

// Called once the launched program has ended: true when it ran and ended with exit status 0.
using LaunchEnded = std::function<void(bool succeeded)>;

// Starts `program` with `arguments` and returns at once; `ended` runs later on the calling thread's event loop,
// once the program has ended or could not be started. The program shares the standard streams and outlives this
// process if it has to.
void launchDetached(const QString& program, const QStringList& arguments, LaunchEnded ended);

// The program that opens a web address, given as its one argument, in the user's browser. Its exit status is not 0
// when no browser is set up.
QString webAddressOpener();

} // namespace platform
