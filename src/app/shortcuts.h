#pragma once

class Form1;

// The keys a desktop user tries first: Ctrl+O Open, Ctrl+S Save, I Mark Start, O Mark End, each shown in its
// button's tooltip, and Ctrl+Q or Ctrl+W to close the window. A key presses its button, so it runs the button's
// handler and does nothing while the button is disabled; the closing keys close the window as its close button does.
void addShortcuts(Form1& window);
