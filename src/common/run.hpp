#pragma once
// The program-wide state of one run. Every stage takes the Run it works on.
#include <array>
#include <string>
#include <vector>

#include "common/free_format.hpp"
#include "common/grid.hpp"
#include "common/grid_header.hpp"
#include "common/output_file.hpp"
#include "common/parameter_set.hpp"

// The most land-cover classes a run can have: the watershed file numbers its
// attributes in three digits, 20 of them fixed.
inline constexpr int kMaxClasses = 979;

// The map file header.
struct MapHeader {
    std::string projection = "unknown";  // 10 characters, trailing blanks dropped
    std::string datum1 = "unknown";
    std::string zone = "unknown";
    float xorigin = 0, yorigin = 0;
    int xcount = 0, ycount = 0;
    float xdelta = 0, ydelta = 0;
    float cintv = 0;
    float aimpr = 0;
    float antype = 0;
    float elvconv = 0;
    int ntype = 0;       // classes - 1
    bool ensim = false;  // first character '#' or ':'
    std::vector<std::string> comments;  // the '#' lines at the top of the file (40 characters kept)
    std::size_t xcount_line = 0, ycount_line = 0;  // map file lines of :xCount / :yCount (0 = none)
};

// The answers of the dialogue (or of zel_responses.txt).
struct Responses {
    int version = 4;
    std::string map_file;
    std::string par_file = "na";
    std::string initials;
    std::vector<int> outlets;  // lastgrid; empty when no outlet was chosen
    std::vector<int> inlets;
    float split_percent = 0;   // wetland split as answered, percent
    char split_type = '2';     // '1' or '2'
    float min_slope = 0;       // as answered; clamped before the network is built
    char adjust_nca = 'n';     // 'y' = use non-contributing areas
    int nca_choice = 0;        // 1 or 2
    float nca_percent = 0;     // choice 1: percent of the nca to use
    int nca_classes = 0;       // choice 2: number of classes to split (0..3)
    char dem_stats = 'n';      // 'y' = mean and maximum elevation grids
    // Derived values.
    float nca_fraction = 0;    // f: 1.0, or the percentage / 100 under choice 1
    bool nca_choice1 = false;
};

// The grid layers, each ycount x xcount, 1-based (row 1 south, column 1 west).
struct BasinGrid {
    Grid<float> elev;            // block 1, times elvconv
    Grid<float> frac;            // frac_2d: block 2 as a fraction, then m2
    Grid<int> dir;               // block 3, drainage direction code
    Grid<int> river_class;       // block 4 (iak grid)
    Grid<int> contours;          // block 5
    Grid<int> channels;          // block 6
    Grid<int> reach;             // block 7
    Grid<float> bankfull;        // block 8 or its default
    Grid<float> cell_area;       // m2
    Grid<float> contrib_area;    // m2, non-contributing areas in use
    Grid<float> da;              // km2
    Grid<float> contrib_da;      // km2, non-contributing areas in use
    Grid<float> slope;           // cha_slope, m/m
    Grid<float> channel_length;  // m
    Grid<int> rank;
    Grid<int> next;
    std::array<Grid<float>, 8> fetch;  // NE E SE S SW W NW N, in grid-square sides
    std::vector<Grid<float>> classes;  // land-cover classes, index 0 = class 1
    std::vector<std::string> class_names;  // 20 characters each, index 0 = class 1
    Grid<float> nca_fraction;    // non-contributing fraction per square
    Grid<float> dem_mean, dem_max;
};

// Per-cell lists, indexed by cell number 1..na (index 0 unused).
struct CellTable {
    std::vector<int> row, col;
    std::vector<int> iak;
    std::vector<float> int_slope;
};

// The rows and columns written after trimming.
struct Window {
    int south = 0, north = 0, west = 0, east = 0;  // rows / columns removed
    int rows = 0, cols = 0;                        // written counts
    float xorigin = 0, yorigin = 0;                // shifted origin
};

struct Run {
    // --- run control ---
    int iopt = 0;
    int errors = 0;  // cells that do not drain to a lower cell
    std::array<std::string, 602> fln;  // file-name table (entries 2, 99, 201 are used)
    Responses answers;
    TextReader map;          // the map file, read whole
    bool have_par_file = false;
    OutputFile new_format_shd, old_format_shd, ssdata, log;  // log = zel_info.txt
    OutputFile error_log;    // fort.39, created on the first drainage error

    // --- map input ---
    MapHeader hdr;
    BasinGrid grid;
    int nrvr = 0;
    float split = 0;  // wetland split as a fraction
    int lowest_row = 0, lowest_col = 0;
    float lowest_elev = 0;

    // --- network ---
    CellTable cells;
    int na = 0, naa = 0, nreceiving = 0;
    float al = 0;
    float center_dx_km = 0, center_dy_km = 0;  // geographic grids only
    float min_slope = 1.0e-7f;                 // clamped answer
    bool nca_in_use = false;                   // accumulate the contributing drainage area
    bool nca_grid_held = false;
    bool dem_done = false;                     // mean and maximum grids were made
    int n_kept = 0;                            // N: cells with a rank after extraction
    int n_kept_receiving = 0;                  // of them, the receiving cells (the last numbers)
    std::vector<int> old_number;               // by number after extraction: the number before
    Window window;
    int ext_south = 0, ext_north = 0, ext_west = 0, ext_east = 0;  // legacy extents
    std::vector<int> lastgrid;  // outlet cells after revision (receiving cells of the chosen outlets)

    // --- EnSim grids ---
    GridHeader gh;
    Grid<float> input_grid, output_grid;
    OutputFile r2c_file;  // the file write_r2c holds open between calls
    int r2c_channel = 0;

    // --- parameter file ---
    ParameterSet par;
    bool par_read = false;

    // Write one line to the run log.
    void log_line(std::string_view text = {}) { log.line(text); }
};
