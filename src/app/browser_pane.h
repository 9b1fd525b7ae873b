// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QRect;
class QUrl;
class QWebEngineView;
class QWidget;

// Makes the browser pane in `window` at `geometry`, next after `previousInTabOrder` in the focus order, and starts
// loading `page` into it. It is built into a module of its own, so the browser engine's libraries are loaded only
// when the first pane is made.
extern "C" QWebEngineView* createBrowserPane(
    QWidget* window, const QRect& geometry, QWidget* previousInTabOrder, const QUrl& page);

using BrowserPaneMaker = std::function<decltype(createBrowserPane)>;

// A text the window holds in this property of its own is shown in a line above the information page: the pane shows
// it once its page has loaded, and again whenever it changes.
inline constexpr const char* kPaneNoticeProperty = "paneNotice";

// Starts loading the pane's module, with the OpenGL context the engine shares, on a thread of its own while the window
// is made and shown. The maker returned, called once, waits for that load and makes the pane; it makes none, and a
// warning says so, when the module is neither beside the program (a build) nor in its library folder (an install).
BrowserPaneMaker loadBrowserPaneModuleAside();
