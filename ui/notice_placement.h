#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace zumora {

// The gap, in pixels, between a failure notice and the box or window it sits beside.
inline constexpr int kNoticeGap = 2;

// Where a failure notice of size `notice` goes, in screen coordinates, so that it hides none of
// the window's controls (the box it is about among them) and lies wholly on `screen`. Tried in
// order, the first that fits wins:
//   1. right of the box, level with it (reaching beyond the window's edge if need be);
//   2. left of the window, level with the box;
//   3. below the window, then 4. above it, starting at the box's left edge.
// When none fits (a screen hardly larger than the window), the notice goes right of the box,
// moved onto the screen.
QPoint place_notice(const QRect& box, QSize notice, const QRect& window, const QRect& screen,
                    const QList<QRect>& controls);

} // namespace zumora
