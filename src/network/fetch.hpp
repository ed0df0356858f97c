#pragma once
// Fetch: how far each lake square's water body reaches in eight directions.
#include "common/grid.hpp"
#include "network/network.hpp"

struct Run;

// For every basin cell on a reach, in grid-square sides (NE E SE S SW W NW N).
Fetch fetch_2d(const Grid<int>& reach, const Network& net, Run& run);
