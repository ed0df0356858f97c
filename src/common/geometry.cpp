#include "common/geometry.hpp"

#include <cmath>

namespace {

// The value of pi the latitude formulas were made with.
constexpr double kPi = 3.1415927;

double km_per_degree_lat(double phi) {
    return 111.136 - 0.5623 * std::cos(2.0 * phi) + 0.0011 * std::cos(4.0 * phi);
}

double km_per_degree_lon(double phi) {
    return 111.4172 * std::cos(phi) - 0.094 * std::cos(3.0 * phi) + 0.0002 * std::cos(5.0 * phi);
}

double radians(double degrees) { return degrees * kPi / 180.0; }

}  // namespace

float square_area(const GridGeometry& g, int row) {
    if (g.projection.metric()) return g.xdelta * g.ydelta;
    const double phi = radians(static_cast<double>(g.yorigin) + row * static_cast<double>(g.ydelta));
    return static_cast<float>(1.0e6 * g.xdelta * g.ydelta * km_per_degree_lat(phi) *
                              km_per_degree_lon(phi));
}

float nominal_side(const GridGeometry& g) {
    return std::sqrt(square_area(g, g.projection.metric() ? 1 : g.ycount / 2));
}

CentreSquare centre_square_km(const GridGeometry& g) {
    if (g.projection.metric()) return {};
    const double phic = radians(static_cast<double>(g.yorigin) +
                                g.ycount * (static_cast<double>(g.ydelta) / 2.0));
    return {static_cast<float>(g.xdelta * km_per_degree_lon(phic)),
            static_cast<float>(g.ydelta * km_per_degree_lat(phic))};
}
