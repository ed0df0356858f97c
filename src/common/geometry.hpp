#pragma once
// A grid of squares on the ground, and the size of its squares: the one
// cell-area computation of the program.
#include "common/projection.hpp"

struct GridGeometry {
    MapProjection projection;
    float xorigin = 0, yorigin = 0;  // south-west corner
    int xcount = 0, ycount = 0;      // columns, rows
    float xdelta = 0, ydelta = 0;    // column width, row height (m, or degrees)
};

// The area in m2 of every square of row i (1 = south). On metric grids it is
// xdelta x ydelta; on geographic grids the latitude of the row's northern
// edge sets the length of a degree.
float square_area(const GridGeometry& g, int row);
// al: the nominal side of a square in m; on geographic grids that of the
// square in the middle row (ycount / 2).
float nominal_side(const GridGeometry& g);

// The east-west and north-south size in km of the grid's centre square on a
// geographic grid (both 0 on metric grids), for the watershed file's notes.
struct CentreSquare {
    float dx_km = 0, dy_km = 0;
};
CentreSquare centre_square_km(const GridGeometry& g);
