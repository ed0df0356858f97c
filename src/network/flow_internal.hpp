#pragma once
// Pieces of the flow network shared by the network stages and their tests.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/big_memory.hpp"
#include "common/grid.hpp"

namespace flow {

// Squares with an elevation above 0, in cell-number order: descending
// elevation, equal elevations south row first and west to east within a row.
// The values are 0-based row-major square indices.
std::vector<std::uint32_t> numbering_order(const Grid<float>& elev);

// Map units in metres (cell sizes are xdelta x ydelta); otherwise geographic.
bool metric_projection(std::string_view projection);

// Codes outside 0..8 are taken as 1 (north-east) wherever a direction is followed.
inline int effective_code(int code) { return (code < 0 || code > 8) ? 1 : code; }

// Row and column offsets of the downstream square for codes 1..8 (index 0 unused).
inline constexpr int kRowStep[9] = {0, 1, 0, -1, -1, -1, 0, 1, 1};
inline constexpr int kColStep[9] = {0, 1, 1, 1, 0, -1, -1, -1, 0};
inline constexpr bool kDiagonal[9] = {false, true, false, true, false, true, false, true, false};
// The flow-length factor of a diagonal step is this literal, not the square root of two.
inline constexpr float kDiagonalFactor = 1.4142f;

// Latitude-dependent km per degree (phi in radians).
double km_per_degree_lat(double phi);
double km_per_degree_lon(double phi);

}  // namespace flow
