#include "platform/display.h"

#include <dlfcn.h>
#include <xcb/xcb.h>

namespace platform {

// The X library is loaded here only when the program starts, which Qt's X platform then loads anyway.
bool xDisplayAnswers(const QString& name) {
    void* const library = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return true;
    }
    const auto connect = reinterpret_cast<decltype(&xcb_connect)>(dlsym(library, "xcb_connect"));
    const auto hasError
        = reinterpret_cast<decltype(&xcb_connection_has_error)>(dlsym(library, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<decltype(&xcb_disconnect)>(dlsym(library, "xcb_disconnect"));
    if (connect == nullptr || hasError == nullptr || disconnect == nullptr) {
        return true;
    }
    xcb_connection_t* const connection = connect(name.toLocal8Bit().constData(), nullptr);
    const bool answers = hasError(connection) == 0;
    disconnect(connection);
    return answers;
}

} // namespace platform
