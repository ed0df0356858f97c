#pragma once
// All values of the parameter file (filled by the parameter-file parser).
#include <array>
#include <string>
#include <vector>

struct ParameterSet {
    int classcount = 0;  // land-cover classes of the run
    int nrvr = 0;        // river classes of the basin
    // Per-river-class routing values copied onto the cells, in this order:
    // flz pwr r1n r2n mndr aa2 aa3 aa4 theta widep kcond pool rlake.
    // Each vector is indexed by cell number (index 0 unused).
    std::array<std::vector<float>, 13> per_cell;
};
