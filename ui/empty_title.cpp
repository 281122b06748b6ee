#include "empty_title.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef ZUMORA_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
#endif

namespace zumora {

#ifdef ZUMORA_HAVE_XCB
namespace {

struct NameAtoms {
    xcb_atom_t net_wm_name = XCB_ATOM_NONE;
    xcb_atom_t utf8_string = XCB_ATOM_NONE;
};

NameAtoms name_atoms(xcb_connection_t* connection) {
    static NameAtoms atoms = [connection] {
        const auto request = [connection](const char* name) {
            return xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name);
        };
        const auto answer = [connection](xcb_intern_atom_cookie_t cookie) {
            xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
            const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
            std::free(reply);
            return atom;
        };
        // Both requests go out before the first answer is awaited: one round trip.
        const auto net_wm_name = request("_NET_WM_NAME");
        const auto utf8_string = request("UTF8_STRING");
        return NameAtoms{answer(net_wm_name), answer(utf8_string)};
    }();
    return atoms;
}

} // namespace
#endif

void show_empty_title_as_empty(QWidget& window) {
#ifdef ZUMORA_HAVE_XCB
    if (!window.windowTitle().isEmpty())
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return; // not on X11: nothing to mend
    xcb_connection_t* connection = x11->connection();
    if (!connection)
        return; // the offscreen platform answers as X11 but has no display
    const auto id = xcb_window_t(window.winId());
    const NameAtoms atoms = name_atoms(connection);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        0, nullptr);
    if (atoms.net_wm_name != XCB_ATOM_NONE && atoms.utf8_string != XCB_ATOM_NONE)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atoms.net_wm_name,
                            atoms.utf8_string, 8, 0, nullptr);
#else
    Q_UNUSED(window);
#endif
}

} // namespace zumora
