#pragma once
// The basin map file as read: its header, its grid blocks and its land-cover
// classes. The map is read in pieces between the network stages (the run's
// order fixes which); each reading stage fills its part of MapInput.
#include <string>
#include <vector>

#include "common/geometry.hpp"
#include "common/grid.hpp"

struct MapHeader : GridGeometry {
    std::string datum1 = "unknown";  // 10 characters at most, trailing blanks dropped
    std::string zone = "unknown";
    float cintv = 0;
    float aimpr = 0;     // 100 when the header gives 0 or less
    float antype = 0;    // :classCount as given
    float elvconv = 0;   // 1 when the header gives 0
    int ntype = 0;       // the header's class count - 1
    std::vector<std::string> comments;             // the '#' lines at the top (40 characters kept)
    std::size_t xcount_line = 0, ycount_line = 0;  // map file lines of :xCount / :yCount (0 = none)
};

struct MapInput {
    MapHeader hdr;
    float split = 0;            // the wetland split answer as a fraction (checked with the header)
    Grid<float> elev;           // block 1, converted by :elevConversion
    Grid<float> fraction;       // block 2: the fraction of each square in the basin
    Grid<int> dir;              // block 3, drainage direction codes
    bool negative_elevations = false;  // block 1 had squares below 0
    Grid<int> river_class;      // block 4 (the iak grid)
    int nrvr = 0;               // the largest river class
    Grid<int> contours;         // block 5
    Grid<int> channels;         // block 6
    Grid<int> reach;            // block 7, 0 = no reach
    // Land-cover classes in percent, after any combination; index 0 = class 1.
    std::vector<Grid<float>> classes;
    std::vector<std::string> class_names;
};
