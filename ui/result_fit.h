#pragma once

#include <functional>

namespace zumora {

// The result box's text is drawn at the design's size when it fits, else at the largest of a
// few smaller sizes that fits, each one pixel (0.75 pt at 96 dpi) below the last, so that text
// stays on whole pixels at 100 %. Below the floor digits would no longer be legible: 8.25 pt is
// 11 px at 96 dpi, where the designs' gothic draws its digits 9 px tall.
inline constexpr double kResultFloorPoints = 8.25;
inline constexpr double kResultPointStep = 0.75;

struct ResultFit {
    double points;
    // False: even at the floor the text is wider than the room, and it must be drawn cut, with
    // the cut marked.
    bool whole;
};

// Picks the size for a text that is `width_at(points)` pixels wide at a given size, in a text
// area `room` pixels wide. A text fits when its width, rounded to whole pixels, leaves one
// pixel for the text cursor, as a line edit needs so as not to scroll.
ResultFit fit_result(double design_points, double room,
                     const std::function<double(double points)>& width_at);

} // namespace zumora
