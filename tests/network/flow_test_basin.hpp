#pragma once
// A small hand-checked basin shared by the network tests.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "network/flow_network.hpp"
#include "test_support.hpp"

namespace flow_test {

template <class T>
void put(Grid<T>& g, std::initializer_list<std::initializer_list<T>> north_first) {
    int i = g.rows();
    for (const auto& r : north_first) {
        int j = 1;
        for (T v : r) g(i, j++) = v;
        --i;
    }
}

using zeltest::split_lines;

inline bool has_line(const std::string& text, const std::string& line) {
    for (const auto& l : split_lines(text))
        if (l == line) return true;
    return false;
}

// A 5 x 5 UTM grid of 1 km squares with blank edges; nine cells drain to the
// receiving cell at (1,4). Cell numbers (by elevation, ties south row first):
//   row 4:  1  3  5        elevations 9 8 7
//   row 3:  2  6  8                   8 6 5
//   row 2:  4  7  9                   7 5 3
//   row 1:        10 (receiving)           1
class FlowTest : public zeltest::StageTest {
protected:
    void SetUp() override {
        shape(5, 5);
        put<float>(run.grid.elev, {{0, 0, 0, 0, 0},  //
                                   {0, 9, 8, 7, 0},
                                   {0, 8, 6, 5, 0},
                                   {0, 7, 5, 3, 0},
                                   {0, 0, 0, 1, 0}});
        put<float>(run.grid.frac, {{0, 0, 0, 0, 0},  //
                                   {0, 1, 1, 1, 0},
                                   {0, 1, 1, 1, 0},
                                   {0, 1, 1, 1, 0},
                                   {0, 0, 0, 0, 0}});
        put<int>(run.grid.dir, {{0, 0, 0, 0, 0},  //
                                {0, 3, 4, 4, 0},
                                {0, 3, 3, 4, 0},
                                {0, 2, 2, 4, 0},
                                {0, 0, 0, 0, 0}});
        run.answers.min_slope = 0.0001f;
    }
    void TearDown() override { run.error_log.discard(); }
    void shape(int rows, int cols) {
        run.hdr.projection = "UTM";
        run.hdr.ycount = rows;
        run.hdr.xcount = cols;
        run.hdr.xdelta = run.hdr.ydelta = 1000;
        auto& g = run.grid;
        for (auto* f : {&g.elev, &g.frac, &g.bankfull, &g.cell_area, &g.contrib_area, &g.da, &g.contrib_da,
                        &g.slope, &g.channel_length})
            f->assign(rows, cols);
        for (auto* n : {&g.dir, &g.river_class, &g.contours, &g.channels, &g.reach, &g.rank, &g.next})
            n->assign(rows, cols);
    }
    void build() {
        clamp_min_slope(run);
        compute_cell_areas(run, con);
        number_cells(run, con);
        compute_slopes(run, con);
    }
};

}  // namespace flow_test
