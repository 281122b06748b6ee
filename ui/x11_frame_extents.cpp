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
#include <thread>
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
    xcb_send_event(connection, 0, x11::root_of(connection),
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
