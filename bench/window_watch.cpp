// SPDX-License-Identifier: GPL-3.0-or-later
// Watches an X display, over one connection, for the top-level window of process PID: the milliseconds from
// START_NS (CLOCK_REALTIME, in nanoseconds) until the window is viewable and, with a crop rectangle, until that part
// of the window holds more than 8 colours. One process that asks every millisecond, so the figures carry neither a
// poll's start-up nor its cost to the program watched; its connection also keeps the X server from resetting itself
// between the programs it watches, as a desktop's own clients do.
// Usage: window_watch PID START_NS [X Y WIDTH HEIGHT]  -> "window_ms [page_ms]"; exit 1 after 20 s or once PID ends.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <set>
#include <signal.h>
#include <string>
#include <thread>
#include <xcb/xcb.h>

namespace {

template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> ReplyPointer<Reply> owned(Reply* reply) {
    return { reply, &std::free };
}

long long nowNs() {
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

xcb_atom_t atomNamed(xcb_connection_t* connection, const char* name) {
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::string(name).size()), name), nullptr));
    return reply ? reply->atom : xcb_atom_t { XCB_ATOM_NONE };
}

std::optional<xcb_window_t> viewableWindowOf(
    xcb_connection_t* connection, xcb_window_t root, xcb_atom_t pidAtom, uint32_t pid) {
    const auto tree = owned(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    if (!tree) {
        return std::nullopt;
    }
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int index = 0; index < xcb_query_tree_children_length(tree.get()); ++index) {
        const auto property = owned(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, children[index], pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr));
        if (!property || xcb_get_property_value_length(property.get()) != 4
            || *static_cast<const uint32_t*>(xcb_get_property_value(property.get())) != pid) {
            continue;
        }
        const auto attributes = owned(xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, children[index]), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) {
            return children[index];
        }
    }
    return std::nullopt;
}

bool holdsMoreThanEightColours(
    xcb_connection_t* connection, xcb_window_t window, int16_t x, int16_t y, uint16_t width, uint16_t height) {
    const auto image = owned(xcb_get_image_reply(
        connection, xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, x, y, width, height, ~0U), nullptr));
    if (!image || image->depth != 24) {
        return false;
    }
    const auto* pixels = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image.get()));
    const int count = xcb_get_image_data_length(image.get()) / 4;
    std::set<uint32_t> colours;
    for (int index = 0; index < count && colours.size() <= 8; ++index) {
        colours.insert(pixels[index] & 0xffffff);
    }
    return colours.size() > 8;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 7) {
        std::fprintf(stderr, "usage: window_watch PID START_NS [X Y WIDTH HEIGHT]\n");
        return 2;
    }
    const auto pid = static_cast<pid_t>(std::stol(argv[1]));
    const long long startNs = std::stoll(argv[2]);
    xcb_connection_t* const connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        std::fprintf(stderr, "window_watch: cannot connect to the X display\n");
        return 1;
    }
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> closing(connection, &xcb_disconnect);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t pidAtom = atomNamed(connection, "_NET_WM_PID");
    const auto elapsedMs = [startNs] { return (nowNs() - startNs) / 1000000; };
    const auto waitUntil = [&](auto&& found) {
        while (!found()) {
            if (kill(pid, 0) != 0 || elapsedMs() > 20000) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    };
    std::optional<xcb_window_t> window;
    if (!waitUntil(
            [&] { return (window = viewableWindowOf(connection, root, pidAtom, static_cast<uint32_t>(pid))); })) {
        return 1;
    }
    std::printf("%lld", elapsedMs());
    if (argc == 7) {
        const auto x = static_cast<int16_t>(std::stoi(argv[3]));
        const auto y = static_cast<int16_t>(std::stoi(argv[4]));
        const auto width = static_cast<uint16_t>(std::stoi(argv[5]));
        const auto height = static_cast<uint16_t>(std::stoi(argv[6]));
        if (!waitUntil([&] { return holdsMoreThanEightColours(connection, *window, x, y, width, height); })) {
            return 1;
        }
        std::printf(" %lld", elapsedMs());
    }
    std::printf("\n");
    return 0;
}
