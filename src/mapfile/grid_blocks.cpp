#include "mapfile/grid_blocks.hpp"

#include <algorithm>
#include <cmath>

#include "common/console.hpp"
#include "common/d8.hpp"
#include "common/geometry.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "mapfile/map_input.hpp"
#include "mapfile/map_support.hpp"

namespace {

// How a block's read-error message numbers the row that failed.
enum class Numbering {
    position,  // 1 = the first row after the heading line
    row,       // the row number, 1 = southernmost
};

// One block: the heading line (returned, otherwise ignored) and the rows,
// north first. The first row that cannot be read stops the run with
// `message`; values beyond :xCount are reported once, under the block's name.
template <class T>
std::string read_block(TextReader& map, const MapHeader& hdr, Grid<T>& grid, std::string_view name,
                       const std::string& message, Numbering numbering, Run& run) {
    const int rows = grid.rows();
    const auto cols = static_cast<std::size_t>(grid.cols());
    std::string_view expected = std::is_same_v<T, int> ? "a whole number" : "a number";
    auto number = [&](int position) {
        return numbering == Numbering::position ? position : rows - position + 1;
    };

    std::string_view heading;
    if (!map.next_line(heading)) {
        ReadStatus st;
        st.code = ReadStatus::end_of_file;
        st.line = map.line_number() + 1;
        stop_in_block(map, st, words(message, number(1)), expected, hdr);
    }
    std::string title(rtrim(heading.substr(0, 80)));
    RowOverflow overflow;
    // Row p (from 0) of the block is grid row rows - p.
    map.read_rows<T>(
        static_cast<std::size_t>(rows), cols,
        [&](std::size_t p) { return grid.row_data(rows - static_cast<int>(p)); },
        [&](std::size_t p, const ReadStatus& st) {
            const int position = static_cast<int>(p) + 1;
            if (!st) stop_in_block(map, st, words(message, number(position)), expected, hdr);
            overflow.note(st, position);
            return true;
        });
    overflow.report(name, map, grid.cols(), run.log, run.con);
    return title;
}

std::string title_of(std::string_view what, const std::string& heading) {
    std::string t(what);
    if (!heading.empty()) t += "   (" + printable(heading, 80) + ")";
    return t;
}

// Elevations: conversion, the lowest cell, and the shift that puts it at 0.
void convert_elevations(const TextReader& map, MapInput& input, Run& run) {
    Grid<float>& elev = input.elev;
    const float conv = input.hdr.elvconv;
    for (float& v : elev.values()) v *= conv;
    if (!std::all_of(elev.values().begin(), elev.values().end(),
                     [](float v) { return std::isfinite(v); })) {
        stop_lines(
            {"The elevations times :elevConversion (" + num(conv) + ") are too large to be held",
             "in file " + map.name() + ": check :elevConversion and the elevations",
             " Program aborted"});
    }

    float lowest = 1.0e30f;
    int lowest_row = 0, lowest_col = 0;
    for (int i = 1; i <= elev.rows(); ++i) {
        const float* v = elev.row_data(i);
        for (int j = 1; j <= elev.cols(); ++j) {
            if (v[j - 1] < lowest) {
                lowest = v[j - 1];
                lowest_row = i;
                lowest_col = j;
            }
        }
    }
    input.hdr.elvconv = 1.0f;  // converted once; no later stage converts again

    // Squares below 0 stay out of the model (a no-data ring of a GIS export),
    // except those the basin drains into: see raise_drained_negatives.
    const std::size_t below = static_cast<std::size_t>(std::count_if(
        elev.values().begin(), elev.values().end(), [](float v) { return v < 0.0f; }));
    if (below > 0) {
        std::string line = "WARNING: " + std::to_string(below) +
                           " grid squares have elevations below 0 - they are left out of the model";
        run.con.say(line);
        run.log_line(line);
    }
    input.negative_elevations = below > 0;
    // The lowest square of a map without negative elevations goes to 0.
    if (lowest >= 0.0f && lowest_row > 0) elev(lowest_row, lowest_col) -= lowest;
}

// An outlet below sea level: a square below 0 into which a basin square
// (elevation and fraction above 0) drains becomes a receiving square at 0.001.
void raise_drained_negatives(MapInput& input, Run& run) {
    Grid<float>& elev = input.elev;
    const Grid<float>& frac = input.fraction;
    const Grid<int>& dir = input.dir;
    if (!input.negative_elevations) return;
    std::vector<std::size_t> raised;
    for (int i = 1; i <= elev.rows(); ++i) {
        for (int j = 1; j <= elev.cols(); ++j) {
            if (!(elev(i, j) > 0.0f && frac(i, j) > 0.0f) || dir(i, j) == 0) continue;
            const int c = d8::effective_code(dir(i, j));
            const int di = i + d8::kRowStep[c], dj = j + d8::kColStep[c];
            if (elev.inside(di, dj) && elev(di, dj) < 0.0f)
                raised.push_back(static_cast<std::size_t>(di - 1) * elev.cols() + (dj - 1));
        }
    }
    std::sort(raised.begin(), raised.end());
    raised.erase(std::unique(raised.begin(), raised.end()), raised.end());
    for (std::size_t k : raised) {
        const int i = static_cast<int>(k / elev.cols()) + 1, j = static_cast<int>(k % elev.cols()) + 1;
        const std::string line = words("WARNING: grid square row", i, "col", j, "elevation",
                                       elev(i, j), "receives flow from the basin - raised to 0.001");
        run.con.say(line);
        run.log_line(line);
        elev(i, j) = 0.001f;
    }
}

void convert_fractions(const TextReader& map, MapInput& input, Run& run) {
    Grid<float>& frac = input.fraction;
    if (frac.empty()) return;
    if (frac(frac.rows(), 1) >= 0.0f) {
        for (float& v : frac.values()) v /= 100.0f;
        return;
    }
    // A negative first value marks a block of areas (m2): divide by the square area.
    float al = nominal_side(input.hdr);
    float area = al * al;
    if (!(area > 0.0f) || !std::isfinite(area)) {
        stop_lines(
            {"The fraction block holds areas (its first value is negative), but the header's",
             "xDelta and yDelta give no usable square size (side length " + num(al) + " m)",
             "in file " + map.name() + ": check :xDelta and :yDelta", " Program aborted"});
    }
    std::string note =
        words("Fraction block read as areas: divided by the square area", area, "m2");
    run.con.say(note);
    run.log_line(note);
    for (float& v : frac.values()) v /= area;
}

}  // namespace

void read_blocks_1_to_3(TextReader& map, MapInput& input, Run& run) {
    read_block(map, input.hdr, input.elev, "elevations", " Problems reading the elevations on line",
               Numbering::position, run);
    convert_elevations(map, input, run);

    std::string heading =
        read_block(map, input.hdr, input.fraction, "fractions",
                   " Problems reading the fractions in row", Numbering::row, run);
    list_grid(run.log, title_of("Fraction of each grid square in the basin (%)", heading),
              input.fraction, 1);
    convert_fractions(map, input, run);

    heading = read_block(map, input.hdr, input.dir, "drainage directions",
                         " Problems reading the directions on line", Numbering::row, run);
    list_grid(run.log, title_of("Drainage directions", heading), input.dir);
    raise_drained_negatives(input, run);
}

void read_river_class_block(TextReader& map, MapInput& input, Run& run) {
    Console& con = run.con;
    con.line(input.hdr.xcount, input.hdr.ycount);
    std::string heading =
        read_block(map, input.hdr, input.river_class, "river classes",
                   " Problems reading the river class on line", Numbering::row, run);
    if (!input.river_class.empty()) {
        int largest =
            *std::max_element(input.river_class.values().begin(), input.river_class.values().end());
        input.nrvr = std::max(input.nrvr, largest);
    }
    con.line("No of river classes found in the map file =", input.nrvr);
    con.say("This should match the number specified in the par file");
    con.say();
    if (run.iopt >= 1) con.line("nrvr=", input.nrvr);
    list_grid(run.log, title_of("River classes", heading), input.river_class);
}

void read_blocks_5_to_7(TextReader& map, MapInput& input, Run& run) {
    std::string heading =
        read_block(map, input.hdr, input.contours, "contours",
                   " Problems reading the no countours on line", Numbering::row, run);
    list_grid(run.log, title_of("Number of contours crossing each grid square", heading),
              input.contours);
    heading = read_block(map, input.hdr, input.channels, "channels",
                         " Problems reading the no channels on line", Numbering::row, run);
    list_grid(run.log, title_of("Number of channels", heading), input.channels);
    heading = read_block(map, input.hdr, input.reach, "reach numbers",
                         " Problems reading the reach no on line", Numbering::row, run);
    list_grid(run.log, title_of("Reach numbers", heading), input.reach);
}
