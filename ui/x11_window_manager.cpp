#include "x11_window_manager.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef ZUMORA_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <xcb/xcb.h>
#endif

namespace zumora {

#ifdef ZUMORA_HAVE_XCB
namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

struct Atoms {
    xcb_atom_t net_wm_name = XCB_ATOM_NONE;
    xcb_atom_t utf8_string = XCB_ATOM_NONE;
    xcb_atom_t net_supported = XCB_ATOM_NONE;
    xcb_atom_t net_frame_extents = XCB_ATOM_NONE;
    xcb_atom_t net_request_frame_extents = XCB_ATOM_NONE;
};

xcb_connection_t* x11_connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // The offscreen platform answers as X11 but has no display.
    return x11 ? x11->connection() : nullptr;
}

const Atoms& atoms(xcb_connection_t* connection) {
    static const Atoms interned = [connection] {
        const char* const names[] = {"_NET_WM_NAME", "_NET_SUPPORTED", "UTF8_STRING",
                                     "_NET_FRAME_EXTENTS", "_NET_REQUEST_FRAME_EXTENTS"};
        xcb_intern_atom_cookie_t cookies[std::size(names)];
        // All requests go out before the first answer is awaited: one round trip.
        for (std::size_t i = 0; i < std::size(names); ++i)
            cookies[i] =
                xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(names[i])), names[i]);
        xcb_atom_t answers[std::size(names)];
        for (std::size_t i = 0; i < std::size(names); ++i) {
            Reply<xcb_intern_atom_reply_t> reply(
                xcb_intern_atom_reply(connection, cookies[i], nullptr));
            answers[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        }
        return Atoms{answers[0], answers[2], answers[1], answers[3], answers[4]};
    }();
    return interned;
}

xcb_window_t root_of(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

bool window_manager_supports(xcb_connection_t* connection, xcb_atom_t feature) {
    const Atoms& a = atoms(connection);
    const auto cookie = xcb_get_property(connection, 0, root_of(connection), a.net_supported,
                                         XCB_ATOM_ATOM, 0, 1024);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->format != 32)
        return false;
    const auto* supported = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::find(supported, supported + count, feature) != supported + count;
}

std::optional<QMargins> read_frame_extents(xcb_connection_t* connection, xcb_window_t window) {
    const auto cookie = xcb_get_property(connection, 0, window, atoms(connection).net_frame_extents,
                                         XCB_ATOM_CARDINAL, 0, 4);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16)
        return std::nullopt;
    const auto* lrtb = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return QMargins(int(lrtb[0]), int(lrtb[2]), int(lrtb[1]), int(lrtb[3]));
}

} // namespace
#endif

void show_empty_title_as_empty(QWidget& window) {
#ifdef ZUMORA_HAVE_XCB
    if (!window.windowTitle().isEmpty())
        return;
    xcb_connection_t* connection = x11_connection();
    if (!connection)
        return;
    const auto id = xcb_window_t(window.winId());
    const Atoms& a = atoms(connection);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        0, nullptr);
    if (a.net_wm_name != XCB_ATOM_NONE && a.utf8_string != XCB_ATOM_NONE)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, a.net_wm_name, a.utf8_string, 8,
                            0, nullptr);
#else
    Q_UNUSED(window);
#endif
}

std::optional<QMargins> frame_before_map(QWidget& window) {
#ifdef ZUMORA_HAVE_XCB
    xcb_connection_t* connection = x11_connection();
    if (!connection)
        return std::nullopt;
    const Atoms& a = atoms(connection);
    if (a.net_request_frame_extents == XCB_ATOM_NONE ||
        !window_manager_supports(connection, a.net_request_frame_extents))
        return std::nullopt;

    // The native window, with the type and decorations Qt gives it, is what the window manager
    // estimates the frame for.
    const auto id = xcb_window_t(window.winId());
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = id;
    request.type = a.net_request_frame_extents;
    xcb_send_event(connection, 0, root_of(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(connection);

    // The answer is a property the window manager sets on the window; Qt's event loop must not
    // be bypassed for its notification, so the property is read until it is there. A window
    // manager answers within a millisecond; one that does not is given up on quickly.
    using namespace std::chrono_literals;
    const auto give_up = std::chrono::steady_clock::now() + 30ms;
    do {
        if (std::optional<QMargins> frame = read_frame_extents(connection, id))
            return frame;
        std::this_thread::sleep_for(200us);
    } while (std::chrono::steady_clock::now() < give_up);
    return std::nullopt;
#else
    Q_UNUSED(window);
    return std::nullopt;
#endif
}

} // namespace zumora
