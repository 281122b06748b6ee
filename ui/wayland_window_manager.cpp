#include "wayland_window_manager.h"

#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#ifdef ZUMORA_HAVE_WAYLAND
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client-core.h>
#endif

namespace zumora {

void send_empty_title_on_wayland(QWidget& window) {
#ifdef ZUMORA_HAVE_WAYLAND
    if (!window.windowTitle().isEmpty() || QGuiApplication::platformName() != u"wayland")
        return;
    // The shell surface is made when the window is mapped, after the show event; it shows
    // nothing before the window's first frame, which comes later still.
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
#else
    Q_UNUSED(window);
#endif
}

} // namespace zumora
