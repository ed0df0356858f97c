#pragma once
// The header record of EnSim grid files: read from r2s files, written into
// r2c files.
#include <string>

#include "common/projection.hpp"

struct GridHeader {
    Projection projection = Projection::utm;
    std::string datum1 = "unknown";  // 10 characters
    int zone = 0;
    float xorigin = 0, yorigin = 0;
    int xcount = 0, ycount = 0;
    float xdelta = 0, ydelta = 0;
    std::string frame_time;   // 10 characters, read and not used
    std::string author;       // 40
    std::string name;         // 40
    std::string source_file;  // 30
    std::string sample_date = "unknown", sample_time = "unknown";  // 10 each
    int weight = 0;
    float unit_conversion = 0;
};
