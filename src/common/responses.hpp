#pragma once
// The answers of the dialogue (or of zel_responses.txt).
#include <string>
#include <vector>

struct Responses {
    int version = 4;
    std::string map_file;
    std::string par_file = "na";
    std::string initials;
    std::vector<int> outlets;  // ranks; empty when no outlet was chosen
    std::vector<int> inlets;
    float split_percent = 0;   // wetland split as answered, percent
    char split_type = '2';     // '1' or '2'
    float min_slope = 0;       // as answered; the run clamps it
    char adjust_nca = 'n';     // 'y' = use non-contributing areas
    int nca_choice = 0;        // 1 or 2
    float nca_percent = 0;     // choice 1: percent of the nca to use
    int nca_classes = 0;       // choice 2: number of classes to split (0..3)
    char dem_stats = 'n';      // 'y' = mean and maximum elevation grids
    // Derived values.
    float nca_fraction = 0;    // f: 1.0, or the percentage / 100 under choice 1
    bool nca_choice1 = false;
};

// The non-contributing-area grid read by the run.
inline constexpr const char* kNcaFile = "nca.r2s";
// The fine elevation model read by the run.
inline constexpr const char* kDemFile = "dem.r2s";
