// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/display.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <dlfcn.h>
#include <utility>
#include <xcb/xcb.h>

namespace platform {

namespace {

// A function of a library the program does not link. The library stays loaded: Qt's platform plugin that needs it
// loads it anyway, and loading it twice would cost the start-up time.
template <typename Function> Function* libraryFunction(const char* library, const char* name) {
    void* const handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    return handle == nullptr ? nullptr : reinterpret_cast<Function*>(dlsym(handle, name));
}

// The Wayland library's own declarations are not needed for two calls on an opaque display.
struct wl_display;
using WaylandConnect = wl_display*(const char*);
using WaylandDisconnect = void(wl_display*);

struct HeldXConnection {
    xcb_connection_t* connection = nullptr;
    decltype(&xcb_disconnect) disconnect = nullptr;
};

HeldXConnection& heldXConnection() {
    static HeldXConnection held;
    return held;
}

} // namespace

void releaseCheckedXDisplay() {
    HeldXConnection& held = heldXConnection();
    if (held.connection != nullptr) {
        held.disconnect(std::exchange(held.connection, nullptr));
    }
}

bool xDisplayAnswers(const QString& name) {
    const auto connect = libraryFunction<decltype(xcb_connect)>("libxcb.so.1", "xcb_connect");
    const auto hasError
        = libraryFunction<decltype(xcb_connection_has_error)>("libxcb.so.1", "xcb_connection_has_error");
    const auto disconnect = libraryFunction<decltype(xcb_disconnect)>("libxcb.so.1", "xcb_disconnect");
    if (connect == nullptr || hasError == nullptr || disconnect == nullptr) {
        return true;
    }
    xcb_connection_t* const connection = connect(name.toLocal8Bit().constData(), nullptr);
    if (hasError(connection) != 0) {
        disconnect(connection);
        return false;
    }
    releaseCheckedXDisplay();
    heldXConnection() = { connection, disconnect };
    return true;
}

bool waylandDisplayAnswers(const QString& name) {
    const auto connect = libraryFunction<WaylandConnect>("libwayland-client.so.0", "wl_display_connect");
    const auto disconnect = libraryFunction<WaylandDisconnect>("libwayland-client.so.0", "wl_display_disconnect");
    if (connect == nullptr || disconnect == nullptr) {
        return false;
    }
    wl_display* const display = connect(name.toLocal8Bit().constData());
    if (display == nullptr) {
        return false;
    }
    disconnect(display);
    return true;
}

bool qtPlatformPluginInstalled(const QString& key) {
    for (const QString& folder : QCoreApplication::libraryPaths()) {
        const QDir platforms(folder + QStringLiteral("/platforms"));
        for (const QFileInfo& file : platforms.entryInfoList(QDir::Files)) {
            const QJsonObject description = QPluginLoader(file.absoluteFilePath()).metaData();
            if (description.value(QLatin1String("MetaData"))
                    .toObject()
                    .value(QLatin1String("Keys"))
                    .toArray()
                    .contains(key)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace platform
