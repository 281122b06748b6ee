#include "x11_window_manager.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef ZUMORA_HAVE_XCB
#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QPointer>
#include <QRect>
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

// The frame as the window the client sits in shows it: that window's outer rectangle, border
// included, around the client's.
std::optional<QMargins> frame_from_tree(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_window_t root = root_of(connection);
    xcb_window_t frame = window;
    for (;;) {
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, frame), nullptr));
        if (!tree)
            return std::nullopt;
        if (tree->parent == root)
            break;
        frame = tree->parent;
    }
    if (frame == window)
        return std::nullopt;
    Reply<xcb_get_geometry_reply_t> outer(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, frame), nullptr));
    Reply<xcb_get_geometry_reply_t> client(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    Reply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, window, root, 0, 0), nullptr));
    if (!outer || !client || !at)
        return std::nullopt;
    const QRect outer_rect(outer->x, outer->y, outer->width + 2 * outer->border_width,
                           outer->height + 2 * outer->border_width);
    const QRect client_rect(at->dst_x, at->dst_y, client->width, client->height);
    return QMargins(client_rect.left() - outer_rect.left(), client_rect.top() - outer_rect.top(),
                    outer_rect.right() - client_rect.right(),
                    outer_rect.bottom() - client_rect.bottom());
}

// Sees the window manager's reports of frames as they arrive, before Qt handles them. Qt keeps
// no signal for a frame that changes without a move.
class FrameExtentsWatch : public QAbstractNativeEventFilter {
public:
    struct Watcher {
        QPointer<QObject> context;
        std::function<void(QMargins)> on_frame;
    };

    static FrameExtentsWatch& instance() {
        static FrameExtentsWatch* watch = [] {
            auto* created = new FrameExtentsWatch;
            QCoreApplication::instance()->installNativeEventFilter(created);
            return created;
        }();
        return *watch;
    }

    void add(xcb_window_t window, QObject& context, std::function<void(QMargins)> on_frame) {
        m_watchers.insert(window, Watcher{&context, std::move(on_frame)});
        QObject::connect(&context, &QObject::destroyed, &context,
                         [this, window] { m_watchers.remove(window); });
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        xcb_connection_t* connection = x11_connection();
        xcb_window_t window = XCB_WINDOW_NONE;
        bool from_tree = false;
        switch (event->response_type & 0x7f) {
        case XCB_PROPERTY_NOTIFY: {
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (notify->atom == atoms(connection).net_frame_extents)
                window = notify->window;
            break;
        }
        case XCB_REPARENT_NOTIFY: {
            // A window manager that tells no frame (twm) shows it by the window it puts the
            // client into; Qt sees no move when the client stays where it was.
            const auto* notify = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
            if (notify->window == notify->event && notify->parent != root_of(connection))
                window = notify->window;
            from_tree = true;
            break;
        }
        default:
            break;
        }
        const auto found = m_watchers.constFind(window);
        if (window == XCB_WINDOW_NONE || found == m_watchers.cend() || !found->context)
            return false;
        // Read once Qt has handled the events that came with this one, so that the window's
        // place as Qt knows it is up to date.
        QMetaObject::invokeMethod(
            found->context,
            [this, connection, window, from_tree] {
                const auto watcher = m_watchers.constFind(window);
                if (watcher == m_watchers.cend())
                    return;
                std::optional<QMargins> frame;
                if (!from_tree)
                    frame = read_frame_extents(connection, window);
                else if (!window_manager_supports(connection, atoms(connection).net_frame_extents))
                    frame = frame_from_tree(connection, window);
                if (frame)
                    watcher->on_frame(*frame);
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    QHash<xcb_window_t, Watcher> m_watchers;
};

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

void watch_frame_extents(QWidget& window, QObject& context,
                         std::function<void(QMargins)> on_frame) {
#ifdef ZUMORA_HAVE_XCB
    if (!x11_connection())
        return;
    FrameExtentsWatch::instance().add(xcb_window_t(window.winId()), context, std::move(on_frame));
#else
    Q_UNUSED(window);
    Q_UNUSED(context);
    Q_UNUSED(on_frame);
#endif
}

} // namespace zumora
