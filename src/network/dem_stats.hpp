#pragma once
// Mean and maximum square elevations from dem.r2s.
#include <optional>

#include "network/network.hpp"

struct MapHeader;
struct Run;

// When the answer is 'y' and dem.r2s is there: the statistics over the
// map's grid (nothing otherwise).
std::optional<DemStats> dem_statistics(const MapHeader& hdr, char answer, Run& run);
