#include "result_fit.h"

#include <cmath>

namespace zumora {

ResultFit fit_result(double design_points, double room,
                     const std::function<double(double points)>& width_at) {
    double points = design_points;
    for (;;) {
        if (std::round(width_at(points)) + 1.0 <= room)
            return {points, true};
        const double smaller = points - kResultPointStep;
        if (smaller < kResultFloorPoints - 1e-9)
            return {points, false};
        points = smaller;
    }
}

} // namespace zumora
