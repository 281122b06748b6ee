#include "window_placement.h"

#include "window_design.h"

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

QSize outer_size(const QWidget& window, QMargins frame) {
    return window.size().grownBy(frame);
}

void move_centred(QWidget& window, QSize outer) {
    const QScreen* screen = window.screen();
    const QPointF at = centred_position(twips(screen->geometry().size()), twips(outer));
    // QWidget::move places a window's outer top-left corner, frame included.
    window.move(screen->geometry().topLeft() +
                QPoint(pixels(float(at.x())), pixels(float(at.y()))));
}

// Watches a window until its frame is known after the first map, then centres it by its true
// outer size. That is a no-op when the estimate was right; a user cannot have dragged the
// window yet, since the frame arrives with the map itself.
class RecentreWhenFrameKnown : public QObject {
public:
    explicit RecentreWhenFrameKnown(QWidget& window)
        : QObject(&window)
        , m_window(window) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_window ||
            (event->type() != QEvent::Move && event->type() != QEvent::Show))
            return false;
        const QMargins frame = frame_margins(m_window);
        if (frame.isNull())
            return false; // not known yet
        m_window.removeEventFilter(this);
        deleteLater();
        move_centred(m_window, outer_size(m_window, frame));
        return false;
    }

private:
    QWidget& m_window;
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
    const QMargins known = frame_margins(window);
    const QMargins frame = known.isNull() ? frame_estimate : known;
    move_centred(window, outer_size(window, frame));
    if (known.isNull())
        new RecentreWhenFrameKnown(window);
}

} // namespace zumora
