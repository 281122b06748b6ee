#pragma once

#include <cmath>

namespace zumora {

// The windows are designed in twips: 15 twips make one pixel at 96 dots per inch, and Qt's
// high-DPI scaling does the rest. Every length and place of the designs, and the centred place
// of a window (which may keep half a twip), becomes pixels by this one rule: the nearest whole
// pixel, a half pixel rounding away from zero.
inline constexpr int kTwipsPerPixel = 15;

inline int twips_to_pixels(double twips) {
    return int(std::lround(twips / kTwipsPerPixel));
}

inline double pixels_to_twips(int pixels) {
    return double(pixels) * kTwipsPerPixel;
}

} // namespace zumora
