#include "notice_placement.h"

#include <algorithm>
#include <array>

namespace zumora {

namespace {

int clamped(int at, int length, int first, int end) {
    return std::max(first, std::min(at, end - length));
}

} // namespace

QPoint place_notice(const QRect& box, QSize notice, const QRect& window, const QRect& screen,
                    const QList<QRect>& controls) {
    const int level = clamped(box.top() + (box.height() - notice.height()) / 2, notice.height(),
                              screen.top(), screen.top() + screen.height());
    const int under_box =
        clamped(box.left(), notice.width(), screen.left(), screen.left() + screen.width());
    const std::array candidates{
        QPoint(box.left() + box.width() + kNoticeGap, level),
        QPoint(window.left() - kNoticeGap - notice.width(), level),
        QPoint(under_box, window.top() + window.height() + kNoticeGap),
        QPoint(under_box, window.top() - kNoticeGap - notice.height()),
    };
    for (const QPoint& at : candidates) {
        const QRect rect(at, notice);
        if (screen.contains(rect) &&
            std::none_of(controls.begin(), controls.end(),
                         [&](const QRect& c) { return c.intersects(rect); }))
            return at;
    }
    return {
        clamped(candidates[0].x(), notice.width(), screen.left(), screen.left() + screen.width()),
        level};
}

} // namespace zumora
