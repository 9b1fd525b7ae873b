// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class Form1;

// The keys a desktop user tries first: Ctrl+O Open, Ctrl+S Save, I Mark Start, O Mark End, each shown in its
// button's tooltip, and Ctrl+Q or Ctrl+W to close the window. A key presses its button, so it runs the button's
// handler and does nothing while the button is disabled; the closing keys close the window as its close button does.
// Keys for placing a mark exactly, anywhere in the window once a file is open and not while a clip is saved:
// Shift+Left and Shift+Right step a frame back or on, with Ctrl ten frames (the slider's tooltip says so); [ and ]
// play the first and the last 2 seconds of the selection (Play Selected's tooltip says so).
void addShortcuts(Form1& window);
