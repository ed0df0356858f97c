#pragma once
// The land-cover adjustments and the bankfull values.
#include "network/network.hpp"

class TextReader;
struct MapInput;
struct Run;

// Takes the map's classes (percent) and makes them fractions: impervious
// share, wetland split, class grids in the run log, 100% water repair; then
// the bankfull block of the map file, or its default from the drainage area.
LandCover adjust_land_cover(MapInput& input, TextReader& map, const Network& net,
                            char split_type, Run& run);
