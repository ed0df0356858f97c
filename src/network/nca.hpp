#pragma once
// Non-contributing areas: the nca.r2s fraction grid and the contributing area.
#include "common/grid.hpp"
#include "network/network.hpp"

struct MapHeader;
struct Responses;
struct Run;

// Reads nca.r2s (and writes nca.xyz) when the answers ask for it; under
// choice 1 also the contributing area of each square from frac_2d (m2).
NonContributing non_contributing_areas(const MapHeader& hdr, const Grid<float>& frac_2d,
                                       const Responses& answers, Run& run);
