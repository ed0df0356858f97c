#pragma once
// Pieces of the flow network shared by the network stages and their tests.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/big_memory.hpp"
#include "common/grid.hpp"

namespace flow {

// Squares with an elevation above 0, in cell-number order: descending
// elevation, equal elevations south row first and west to east within a row.
// The values are 0-based row-major square indices.
std::vector<std::uint32_t> numbering_order(const Grid<float>& elev);

}  // namespace flow
