#pragma once
// The flow network: cell areas, numbering by descending elevation, drainage
// areas, downstream cells, slopes, river classes, the cell checks and the
// interflow slopes.
#include "common/grid.hpp"
#include "network/network.hpp"

struct MapHeader;
struct MapInput;
struct Run;

// The minimum river slope as the run uses it: the answer held to 1e-7 .. 1.
float clamp_min_slope(float answer);
// Square areas, frac_2d in m2 (from the map's fractions), al and the
// initial channel lengths.
CellAreas compute_cell_areas(const MapHeader& hdr, Grid<float> fraction);
// Numbering by descending elevation, na, naa, drainage areas (and the
// contributing drainage areas when non-contributing areas are in use).
Network number_cells(const MapInput& input, CellAreas areas, const NonContributing& nca, Run& run);
// Downstream cells, slopes, channel lengths; drainage errors are counted,
// logged to fort.39 and mended.
void compute_slopes(Network& net, const MapInput& input, float min_slope, Run& run);
// Each cell's river class from block 4, with its messages.
void set_cell_river_classes(Network& net, const Grid<int>& river_class, Run& run);
// The run-log table of ranks and the cell checks; stops when the map has no
// receiving cell or no basin cell. Then the receiving cells drain nowhere.
void rank_and_check_cells(Network& net, const MapInput& input, Run& run);
// Interflow slopes from the contour counts, once the watershed is cut.
void compute_interflow_slopes(Network& net, const MapInput& input, Run& run);
