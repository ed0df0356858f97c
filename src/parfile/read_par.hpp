#pragma once
// The parameter file: parsed against the basin, checked, and its river-class
// values copied onto the cells.
#include <string>
#include <vector>

#include "common/parameter_set.hpp"

struct MapHeader;
struct Run;

// What the parameter file is read against.
struct ParBasin {
    int classcount = 0;  // land-cover classes the run writes (split classes included)
    int nrvr = 0;        // river classes of the map
    int na = 0, naa = 0;
    const std::vector<int>* row = nullptr;  // grid row of each cell (index 0 unused)
    const std::vector<int>* iak = nullptr;  // river class of each cell
    const MapHeader* hdr = nullptr;         // projection and latitude of the rows
};

// Read and check the parameter file; copy the river-class values onto the cells.
ParameterSet read_par_parser(const std::string& file_name, const ParBasin& basin, int channel,
                             Run& run);
