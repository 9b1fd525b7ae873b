// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace platform {

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// Shows a modal message box titled "Tuneshear", without icon, over `owner`, and returns the button pressed.
// Closing a Yes/No box without choosing counts as No.
MessageAnswer showMessageBox(QWidget* owner, const QString& text, MessageButtons buttons);

} // namespace platform
