#pragma once
// The EnSim r2s reader: one grid of reals with its header.
#include <string>

#include "common/grid.hpp"
#include "ensim/grid_header.hpp"

struct Run;

struct R2sGrid {
    GridHeader header;
    Grid<float> values;  // ycount rows x xcount columns, row 1 south
};

// Read an r2s file; every failure stops the run with a message naming the file.
R2sGrid read_r2s(const std::string& file_name, int channel, Run& run);
