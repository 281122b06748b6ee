#include "window_placement.h"

#include "window_design.h"
#include "x11_window_manager.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace zumora {

namespace {

QSizeF twips(QSize pixels) {
    return {double(pixels.width()) * kTwipsPerPixel, double(pixels.height()) * kTwipsPerPixel};
}

int pixels(float twips) {
    return int(std::lround(twips / float(kTwipsPerPixel)));
}

// Centres `window` by its outer size, taking `frame` as the frame around it.
void move_centred(QWidget& window, QMargins frame) {
    const QScreen* screen = window.screen();
    const QPointF at =
        centred_position(twips(screen->geometry().size()), twips(window.size().grownBy(frame)));
    QPoint corner =
        screen->geometry().topLeft() + QPoint(pixels(float(at.x())), pixels(float(at.y())));
    // QWidget::move places a window that is not created yet by its outer corner, frame
    // included; a created one by its client area, offset by the frame that Qt already knows.
    if (window.testAttribute(Qt::WA_WState_Created)) {
        const QMargins known = frame_margins(window);
        corner += QPoint(frame.left() - known.left(), frame.top() - known.top());
    }
    window.move(corner);
}

// Centres a window once more when its real frame has become known with its first map: a
// no-op when the frame was guessed right. It looks only at the first move after the window is
// shown, which comes with the map itself, so it can never undo a place the user dragged the
// window to.
class RecentreWhenFrameKnown : public QObject {
public:
    explicit RecentreWhenFrameKnown(QWidget& window)
        : QObject(&window)
        , m_window(window) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_window)
            return false;
        const QMargins frame = frame_margins(m_window);
        if (event->type() == QEvent::Show) {
            m_shown = true;
            if (frame.isNull())
                return false; // the frame comes with the move that follows the map
        } else if (event->type() != QEvent::Move || !m_shown) {
            return false;
        }
        m_window.removeEventFilter(this);
        deleteLater();
        if (!frame.isNull())
            move_centred(m_window, frame);
        return false;
    }

private:
    QWidget& m_window;
    bool m_shown = false;
};

} // namespace

QPointF centred_position(QSizeF screen_twips, QSizeF window_twips) {
    const float left = (float(screen_twips.width()) - float(window_twips.width())) / 2.0f;
    const float top = (float(screen_twips.height()) - float(window_twips.height())) / 2.0f;
    return {left, top};
}

QMargins frame_margins(const QWidget& window) {
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void center_on_screen(QWidget& window, QMargins frame_estimate) {
    if (const QMargins known = frame_margins(window); !known.isNull()) {
        move_centred(window, known);
    } else if (const std::optional<QMargins> asked = frame_before_map(window)) {
        move_centred(window, *asked);
    } else {
        move_centred(window, frame_estimate);
        new RecentreWhenFrameKnown(window);
    }
}

} // namespace zumora
