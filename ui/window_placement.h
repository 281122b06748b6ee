#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <optional>

class QWidget;

namespace zumora {

// Left and top, in twips, that centre a window of the given outer size on a screen of the
// given size: (screen - window) / 2 in single precision. An odd difference keeps its half
// twip; a window larger than the screen gets a negative position.
QPointF centred_position(QSizeF screen_twips, QSizeF window_twips);

// The outer top-left corner, in pixels, that centres a window whose client area has the given
// size and whose frame is `frame` on `monitor`: the centring is done in the monitor's own
// twips, then placed from the monitor's corner.
QPoint centred_outer_corner(QRect monitor, QSize client, QMargins frame);

// Of a desktop's `monitors` (the primary first), the one the user is at when the pointer is at
// `pointer`: the monitor that holds it. A pointer that no monitor shows (the corner left bare
// beside a shorter monitor) has only just left the nearest one, so that one is taken, the
// earlier on a tie. An empty rectangle where there is no monitor.
QRect monitor_at(const QList<QRect>& monitors, QPoint pointer);

// Of a desktop's `monitors` (the primary first), the one a window whose outer rectangle is
// `outer` is on: the one showing the largest part of it, which is where the user sees it, the
// earlier on a tie. A window that no monitor shows is taken to be on the one nearest its centre.
QRect monitor_showing(const QList<QRect>& monitors, QRect outer);

// The monitor under the pointer on the program's desktop. With one monitor the pointer is not
// asked for, which on X11 costs a round trip to the server.
QRect monitor_under_pointer();

// The monitor showing the largest part of `window`, by its outer rectangle.
QRect monitor_showing(const QWidget& window);

// The frame a window manager puts around `window`: zero until the window has been mapped.
QMargins frame_margins(const QWidget& window);

// Where a window's client area must go so that the window is centred by its outer size, and
// whether it must go there again once its real frame is known. Before a window is mapped its
// frame can only be assumed; the window manager tells the real one before the map, after it,
// or never. The window is moved again only while nothing but the program and the window
// manager has placed it: a window manager puts the client where the program asked (static
// gravity) or puts its frame there (north-west gravity); any other place is the user's.
// Once the window has been hidden, it is never moved again.
class PlacementTracker {
public:
    PlacementTracker(QRect monitor, QSize client, QMargins assumed_frame);

    // Where the client area is asked to go first.
    QPoint client_position() const { return m_asked_client; }

    // The window manager has told the window's frame; `client_now` is where the client area
    // is at this moment. Gives the client position to move to, or none.
    std::optional<QPoint> frame_known(QMargins frame, QPoint client_now);

    // The window has been taken off the screen: its place is final.
    void hidden() { m_settled = true; }

    bool settled() const { return m_settled; }

private:
    QRect m_monitor;
    QSize m_client;
    QPoint m_asked_outer;
    QPoint m_asked_client;
    bool m_settled = false;
};

// Moves `window`, keeping its size, so that its outer rectangle is centred on `monitor` (the
// monitor's whole rectangle, task bars included). Before a window is first mapped its frame is not
// known to Qt: the window manager is asked for it, and where it cannot tell at once,
// `frame_estimate` stands in (the frame of another window of the program). The window is centred
// once more by its real frame as soon as that becomes known, unless the user has moved it or it has
// been hidden since. Whenever the program shows it again, it is put back where it was hidden.
void center_on_screen(QWidget& window, QRect monitor, QMargins frame_estimate = {});

} // namespace zumora
