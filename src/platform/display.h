#pragma once

#include <QString>

namespace platform {

// Whether the X display `name` takes a connection, as Qt's X platform asks it to: Qt ends the program with an abort
// where it does not. Where the X library itself is missing, Qt cannot use X either; it then says so itself, so this
// says yes.
bool xDisplayAnswers(const QString& name);

} // namespace platform
