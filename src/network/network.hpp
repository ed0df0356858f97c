#pragma once
// The products of the network stages: the numbered network with its areas,
// links and slopes; the chosen outlets; the non-contributing areas and the
// DEM statistics; the fetch; the adjusted land cover; and the watershed as
// written after extraction and trimming.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/grid.hpp"
#include "ensim/grid_header.hpp"

// Cell areas: what the grid area step makes of the map's fractions.
struct CellAreas {
    Grid<float> cell_area;  // m2, the whole square
    Grid<float> frac;       // frac_2d: the square's surface in the basin, m2
    float al = 0;           // nominal side of a square, m
    float center_dx_km = 0, center_dy_km = 0;  // geographic grids only
};

// Non-contributing areas from nca.r2s.
struct NonContributing {
    bool held = false;          // nca.r2s was read: `fraction` is set
    bool in_use = false;        // choice 1: DA and grid areas come from the contributing area
    Grid<float> fraction;       // non-contributing fraction per square
    Grid<float> contrib_area;   // m2, choice 1 only
};

// Mean and maximum DEM elevation per square, and the header of dem.r2s.
struct DemStats {
    Grid<float> mean, max;
    GridHeader dem;
};

// The cells: the modelled squares numbered 1..na by descending elevation,
// the receiving cells last (naa + 1..na), each linked to its downstream cell.
struct Network {
    CellAreas areas;
    int na = 0, naa = 0;
    std::vector<int> row, col;  // by cell number, index 0 unused
    Grid<int> rank;             // cell number of each square, 0 outside the model
    Grid<int> next;             // cell number of the downstream cell
    Grid<float> da;             // km2
    Grid<float> contrib_da;     // km2, with non-contributing areas in use
    Grid<float> slope;          // channel slope, m/m (negative where a drainage error was mended)
    Grid<float> channel_length; // m
    int errors = 0;             // cells that did not drain to a lower cell
    std::vector<int> iak;       // river class by cell number
    std::vector<float> int_slope;  // interflow slope by cell number

    // The 0-based square index of cell n.
    std::size_t square(int n) const {
        return static_cast<std::size_t>(row[static_cast<std::size_t>(n)] - 1) *
                   static_cast<std::size_t>(rank.cols()) +
               static_cast<std::size_t>(col[static_cast<std::size_t>(n)] - 1);
    }
};

// The outlet cells after revision: the receiving cell of each chosen outlet,
// or the network's last cell when none was chosen.
struct Outlets {
    std::vector<int> lastgrid;
    bool chosen = false;  // the answers named outlets
};

// Fetch in grid-square sides, NE E SE S SW W NW N.
using Fetch = std::array<Grid<float>, 8>;

// Land-cover fractions after the adjustments, and the bankfull values.
struct LandCover {
    std::vector<Grid<float>> classes;      // fractions 0..1, index 0 = class 1
    std::vector<std::string> class_names;  // 20 characters at most
    Grid<float> bankfull;
    int ntype() const { return static_cast<int>(classes.size()) - 1; }
};

// The rows and columns written after trimming.
struct Window {
    int south = 0, north = 0, west = 0, east = 0;  // rows / columns removed
    int rows = 0, cols = 0;                        // written counts
    float xorigin = 0, yorigin = 0;                // shifted origin
    int row0() const { return south + 1; }         // first and last basin rows
    int row1() const { return south + rows; }      // and columns written
    int col0() const { return west + 1; }
    int col1() const { return west + cols; }
};

// The written watershed: the cells kept by the outlets and inlets, numbered
// anew (the basin cells first, then the receiving cells), and the window.
struct Watershed {
    std::vector<int> lastgrid;  // the outlets after revision (old numbers)
    bool outlets_chosen = false;
    std::size_t outlets_count() const { return lastgrid.size(); }
    Grid<int> rank;  // new number of each square, 0 outside the watershed
    Grid<int> next;  // new number of the downstream cell, 0 for receiving cells
    std::vector<int> old_number;  // by new number: the cell number before
    int cells = 0;      // N
    int receiving = 0;  // of them the receiving cells, numbered N - receiving + 1 .. N
    Window window;
    int in_basin() const { return cells - receiving; }
    bool kept(int i, int j) const { return rank(i, j) != 0; }
};

// The legacy integer extents of the grid (south, north, west, east).
struct LegacyExtents {
    int south = 0, north = 0, west = 0, east = 0;
};
