#include "window_placement.h"

#include "twips.h"
#include "x11_frame_extents.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zumora {

namespace {

QSizeF twips(QSize pixels) {
    return {pixels_to_twips(pixels.width()), pixels_to_twips(pixels.height())};
}

QPoint top_left(QMargins frame) {
    return {frame.left(), frame.top()};
}

// A pixel either way is rounding (a scaled screen, a window manager's own arithmetic), not a
// place anyone chose.
bool same_place(QPoint a, QPoint b) {
    return std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1;
}

// How far `point` is from `rect`, squared: zero inside it.
qint64 distance_squared(QPoint point, QRect rect) {
    const qint64 dx = std::max({rect.left() - point.x(), 0, point.x() - rect.right()});
    const qint64 dy = std::max({rect.top() - point.y(), 0, point.y() - rect.bottom()});
    return dx * dx + dy * dy;
}

qint64 area(QRect rect) {
    return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height();
}

QList<QRect> desktop_monitors() {
    QList<QRect> monitors;
    for (const QScreen* screen : QGuiApplication::screens())
        monitors.append(screen->geometry());
    return monitors;
}

// Puts the client area of `window` at `client`. A window not created yet would be placed by
// its outer corner with a frame Qt guesses and corrects at the map, so it is created first.
void move_client_to(QWidget& window, QPoint client) {
    window.winId();
    window.move(client - (window.geometry().topLeft() - window.pos()));
}

// Keeps a window centred until its real frame is known, fed by the window's own show, move and
// hide events and by the window manager's reports of the frame; and brings a window that is
// shown again back to where it was hidden.
class KeepPlace : public QObject {
public:
    KeepPlace(QWidget& window, const PlacementTracker& tracker)
        : QObject(&window)
        , m_window(window)
        , m_tracker(tracker) {
        window.installEventFilter(this);
        watch_frame_extents(window, *this, [this](QMargins frame) { frame_known(frame); });
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_window)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            // Some window managers (metacity, mutter) put a window they let go of where its
            // frame was, and Qt follows; it is still unmapped here. A window the user restores
            // from its icon is the window manager's to place.
            if (!event->spontaneous() && m_hidden_at &&
                m_window.geometry().topLeft() != *m_hidden_at)
                move_client_to(m_window, *m_hidden_at);
            [[fallthrough]];
        case QEvent::Move:
            // Where the window manager tells no frame of its own, Qt may learn it from the
            // window the client has been put into.
            if (const QMargins known = frame_margins(m_window); !known.isNull())
                frame_known(known);
            break;
        case QEvent::Hide:
            m_tracker.hidden();
            if (!event->spontaneous())
                m_hidden_at = m_window.geometry().topLeft();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void frame_known(QMargins frame) {
        if (const std::optional<QPoint> to =
                m_tracker.frame_known(frame, m_window.geometry().topLeft()))
            move_client_to(m_window, *to);
    }

    QWidget& m_window;
    PlacementTracker m_tracker;
    std::optional<QPoint> m_hidden_at;
};

} // namespace

QPointF centred_position(QSizeF screen_twips, QSizeF window_twips) {
    const float left = (float(screen_twips.width()) - float(window_twips.width())) / 2.0f;
    const float top = (float(screen_twips.height()) - float(window_twips.height())) / 2.0f;
    return {left, top};
}

QPoint centred_outer_corner(QRect monitor, QSize client, QMargins frame) {
    const QPointF at = centred_position(twips(monitor.size()), twips(client.grownBy(frame)));
    return monitor.topLeft() + QPoint(twips_to_pixels(at.x()), twips_to_pixels(at.y()));
}

QRect monitor_at(const QList<QRect>& monitors, QPoint pointer) {
    const auto nearest =
        std::min_element(monitors.cbegin(), monitors.cend(), [pointer](QRect a, QRect b) {
            return distance_squared(pointer, a) < distance_squared(pointer, b);
        });
    return nearest == monitors.cend() ? QRect() : *nearest;
}

QRect monitor_showing(const QList<QRect>& monitors, QRect outer) {
    const auto largest =
        std::max_element(monitors.cbegin(), monitors.cend(), [outer](QRect a, QRect b) {
            return area(a.intersected(outer)) < area(b.intersected(outer));
        });
    if (largest == monitors.cend() || area(largest->intersected(outer)) == 0)
        return monitor_at(monitors, outer.center());
    return *largest;
}

QRect monitor_under_pointer() {
    const QList<QRect> monitors = desktop_monitors();
    if (monitors.size() == 1)
        return monitors.front();
    return monitor_at(monitors, QCursor::pos());
}

QRect monitor_showing(const QWidget& window) {
    return monitor_showing(desktop_monitors(), window.frameGeometry());
}

QMargins frame_margins(const QWidget& window) {
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

PlacementTracker::PlacementTracker(QRect monitor, QSize client, QMargins assumed_frame)
    : m_monitor(monitor)
    , m_client(client)
    , m_asked_outer(centred_outer_corner(monitor, client, assumed_frame))
    , m_asked_client(m_asked_outer + top_left(assumed_frame)) {}

std::optional<QPoint> PlacementTracker::frame_known(QMargins frame, QPoint client_now) {
    if (m_settled)
        return std::nullopt;
    // Where the window manager may have put the client: where it was asked to be, or inside a
    // frame put where the client or the outer corner was asked to be.
    const bool placed_by_program = same_place(client_now, m_asked_client) ||
                                   same_place(client_now, m_asked_client + top_left(frame)) ||
                                   same_place(client_now, m_asked_outer + top_left(frame));
    if (!placed_by_program) {
        m_settled = true; // the user has moved the window
        return std::nullopt;
    }
    const QPoint target = centred_outer_corner(m_monitor, m_client, frame) + top_left(frame);
    if (same_place(client_now, target))
        return std::nullopt;
    // Moved once only: a window manager that answers a move with a move of its own must not
    // set off a chase.
    m_settled = true;
    return target;
}

void center_on_screen(QWidget& window, QRect monitor, QMargins frame_estimate) {
    QMargins assumed = frame_margins(window);
    if (assumed.isNull())
        assumed = frame_before_map(window).value_or(frame_estimate);
    const PlacementTracker tracker(monitor, window.size(), assumed);
    move_client_to(window, tracker.client_position());
    new KeepPlace(window, tracker);
}

} // namespace zumora
