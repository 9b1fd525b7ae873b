#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Starts `program` with `arguments` on its own and returns at once, without waiting for it or reporting whether
// it started.
void launchDetached(const QString& program, const QStringList& arguments);

// The program that opens a web address, given as its one argument, in the user's browser.
QString webAddressOpener();

} // namespace platform
