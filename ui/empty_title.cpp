#include "empty_title.h"

#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#ifdef ZUMORA_HAVE_XCB
#include "x11_connection.h"
#endif
#ifdef ZUMORA_HAVE_WAYLAND
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client-core.h>
#endif

namespace zumora {

namespace {

#ifdef ZUMORA_HAVE_XCB
// The name properties are written before the window is mapped, so a window manager never shows
// the program's name in their place.
void write_empty_x11_names(QWidget& window) {
    xcb_connection_t* connection = x11::connection();
    if (!connection)
        return;
    static const auto atoms =
        x11::intern_atoms(connection, std::array{"_NET_WM_NAME", "UTF8_STRING"});
    const auto [net_wm_name, utf8_string] = atoms;
    const auto id = xcb_window_t(window.winId());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        0, nullptr);
    if (net_wm_name != XCB_ATOM_NONE && utf8_string != XCB_ATOM_NONE)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, net_wm_name, utf8_string, 8, 0,
                            nullptr);
}
#endif

#ifdef ZUMORA_HAVE_WAYLAND
// The shell surface is made when the window is mapped, after the show event; it shows nothing
// before the window's first frame, which comes later still.
void send_empty_wayland_title(QWidget& window) {
    // Qt's Wayland plugins are "wayland" and "wayland-egl"; both name the window's shell surface.
    if (!QGuiApplication::platformName().startsWith(u"wayland"))
        return;
    QMetaObject::invokeMethod(
        &window,
        [target = QPointer<QWidget>(&window)] {
            if (!target || !target->windowHandle())
                return;
            void* toplevel = QGuiApplication::platformNativeInterface()->nativeResourceForWindow(
                "xdg_toplevel", target->windowHandle());
            if (!toplevel)
                return;
            // xdg_toplevel.set_title, request 2 of the xdg-shell protocol.
            constexpr std::uint32_t set_title = 2;
            wl_proxy_marshal(static_cast<wl_proxy*>(toplevel), set_title, "");
        },
        Qt::QueuedConnection);
}
#endif

} // namespace

void keep_title_empty(QWidget& window) {
    if (!window.windowTitle().isEmpty())
        return;
#ifdef ZUMORA_HAVE_XCB
    write_empty_x11_names(window);
#endif
#ifdef ZUMORA_HAVE_WAYLAND
    send_empty_wayland_title(window);
#endif
}

} // namespace zumora
