#include "x11_frame_extents.h"

#include <QWidget>

#ifdef ZUMORA_HAVE_XCB
#include "x11_connection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QRect>
#include <algorithm>
#include <chrono>
#include <poll.h>
#endif

namespace zumora {

#ifdef ZUMORA_HAVE_XCB
namespace {

struct Atoms {
    xcb_atom_t net_supported = XCB_ATOM_NONE;
    xcb_atom_t net_frame_extents = XCB_ATOM_NONE;
    xcb_atom_t net_request_frame_extents = XCB_ATOM_NONE;
};

const Atoms& atoms(xcb_connection_t* connection) {
    static const Atoms interned = [connection] {
        const auto a =
            x11::intern_atoms(connection, std::array{"_NET_SUPPORTED", "_NET_FRAME_EXTENTS",
                                                     "_NET_REQUEST_FRAME_EXTENTS"});
        return Atoms{a[0], a[1], a[2]};
    }();
    return interned;
}

bool window_manager_supports(xcb_connection_t* connection, xcb_atom_t feature) {
    const Atoms& a = atoms(connection);
    const auto cookie = xcb_get_property(connection, 0, x11::root_of(connection), a.net_supported,
                                         XCB_ATOM_ATOM, 0, 1024);
    x11::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->format != 32)
        return false;
    const auto* supported = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::find(supported, supported + count, feature) != supported + count;
}

std::optional<QMargins> read_frame_extents(xcb_connection_t* connection, xcb_window_t window) {
    const auto cookie = xcb_get_property(connection, 0, window, atoms(connection).net_frame_extents,
                                         XCB_ATOM_CARDINAL, 0, 4);
    x11::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16)
        return std::nullopt;
    const auto* lrtb = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return QMargins(int(lrtb[0]), int(lrtb[2]), int(lrtb[1]), int(lrtb[3]));
}

// The frame as the window the client sits in shows it: that window's outer rectangle, border
// included, around the client's.
std::optional<QMargins> frame_from_tree(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_window_t root = x11::root_of(connection);
    xcb_window_t frame = window;
    for (;;) {
        x11::Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, frame), nullptr));
        if (!tree)
            return std::nullopt;
        if (tree->parent == root)
            break;
        frame = tree->parent;
    }
    if (frame == window)
        return std::nullopt;
    x11::Reply<xcb_get_geometry_reply_t> outer(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, frame), nullptr));
    x11::Reply<xcb_get_geometry_reply_t> client(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    x11::Reply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
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

struct Disconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

// Asks the window manager for the frame it will put around `window` and waits for the answer,
// a property it sets on the window, for at most `patience`. The wait is on a connection of its
// own: the property's notification comes to it the moment the window manager sets it, while
// every event on Qt's connection is left to Qt's event loop. The window must already exist on
// the server, and the connection goes to the display of DISPLAY, which is Qt's. Atoms are the
// server's, the same on every connection.
std::optional<QMargins> ask_and_await_frame(xcb_window_t window, const Atoms& a,
                                            std::chrono::milliseconds patience) {
    using clock = std::chrono::steady_clock;
    const auto give_up = clock::now() + patience;
    const std::unique_ptr<xcb_connection_t, Disconnect> own(xcb_connect(nullptr, nullptr));
    xcb_connection_t* connection = own.get();
    if (xcb_connection_has_error(connection))
        return std::nullopt;

    // On the same connection as the request, so that the answer cannot come before the
    // notification of it is asked for.
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &events);
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = window;
    request.type = a.net_request_frame_extents;
    xcb_send_event(connection, 0, x11::root_of(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(connection);

    pollfd readable{xcb_get_file_descriptor(connection), POLLIN, 0};
    for (;;) {
        while (const x11::Reply<xcb_generic_event_t> event{xcb_poll_for_event(connection)}) {
            const int type = event->response_type & 0x7f;
            if (type == 0)
                return std::nullopt; // an error: the window is not on this display
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
            if (type == XCB_PROPERTY_NOTIFY && notify->window == window &&
                notify->atom == a.net_frame_extents && notify->state == XCB_PROPERTY_NEW_VALUE)
                return read_frame_extents(connection, window);
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(give_up - clock::now()).count();
        if (xcb_connection_has_error(connection) || left <= 0)
            return std::nullopt;
        poll(&readable, 1, int(left));
    }
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
        xcb_connection_t* connection = x11::connection();
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
            if (notify->window == notify->event && notify->parent != x11::root_of(connection))
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

std::optional<QMargins> frame_before_map(QWidget& window) {
#ifdef ZUMORA_HAVE_XCB
    xcb_connection_t* connection = x11::connection();
    if (!connection)
        return std::nullopt;
    // The native window, with the type and decorations Qt gives it, is what the window manager
    // estimates the frame for. The reply about the window manager's support also shows that
    // the server has created it.
    const auto id = xcb_window_t(window.winId());
    const Atoms& a = atoms(connection);
    if (a.net_request_frame_extents == XCB_ATOM_NONE ||
        !window_manager_supports(connection, a.net_request_frame_extents))
        return std::nullopt;
    // An idle window manager answers within a millisecond or two. One that has not answered in
    // 30 ms is given up on; the window is centred again once its frame becomes known.
    return ask_and_await_frame(id, a, std::chrono::milliseconds(30));
#else
    Q_UNUSED(window);
    return std::nullopt;
#endif
}

void watch_frame_extents(QWidget& window, QObject& context,
                         std::function<void(QMargins)> on_frame) {
#ifdef ZUMORA_HAVE_XCB
    if (!x11::connection())
        return;
    FrameExtentsWatch::instance().add(xcb_window_t(window.winId()), context, std::move(on_frame));
#else
    Q_UNUSED(window);
    Q_UNUSED(context);
    Q_UNUSED(on_frame);
#endif
}

} // namespace zumora
