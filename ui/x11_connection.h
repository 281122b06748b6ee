#pragma once

// What the program's X11 helpers share: the X connection Qt opened, and replies that free
// themselves. Only for builds with the xcb headers (ZUMORA_HAVE_XCB).

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace zumora::x11 {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// The program's X connection, or none where the program does not run on X11.
inline xcb_connection_t* connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // The offscreen platform answers as X11 but has no display.
    return x11 ? x11->connection() : nullptr;
}

inline xcb_window_t root_of(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

// The atoms of `names`, in their order; XCB_ATOM_NONE for any the server did not answer.
template <std::size_t N>
std::array<xcb_atom_t, N> intern_atoms(xcb_connection_t* connection,
                                       const std::array<const char*, N>& names) {
    std::array<xcb_intern_atom_cookie_t, N> cookies;
    // All requests go out before the first answer is awaited: one round trip.
    for (std::size_t i = 0; i < N; ++i)
        cookies[i] = xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(names[i])), names[i]);
    std::array<xcb_atom_t, N> atoms;
    for (std::size_t i = 0; i < N; ++i) {
        Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection, cookies[i], nullptr));
        atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    return atoms;
}

} // namespace zumora::x11
