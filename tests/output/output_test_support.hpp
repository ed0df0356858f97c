#pragma once
// A small basin set up directly in a Run, and a fixture that runs each test in
// a fresh temporary folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"

namespace outtest {

inline std::vector<std::string> lines_of(const std::string& name) {
    std::ifstream f(name);
    std::vector<std::string> lines;
    for (std::string l; std::getline(f, l);) lines.push_back(l);
    return lines;
}

// Allocate every layer of a rows x cols UTM basin with `nclass` land-cover
// classes, all values 0.
inline void allocate(Run& run, int rows, int cols, int nclass) {
    MapHeader& h = run.hdr;
    h.projection = "UTM";
    h.datum1 = "NAD83";
    h.zone = "17";
    h.xorigin = 0;
    h.yorigin = 0;
    h.xcount = cols;
    h.ycount = rows;
    h.xdelta = 1000;
    h.ydelta = 1000;
    h.cintv = 5;
    h.aimpr = 0.5f;
    h.elvconv = 1;
    h.ntype = nclass - 1;
    run.al = 1000;
    BasinGrid& g = run.grid;
    for (Grid<float>* f : {&g.elev, &g.frac, &g.bankfull, &g.cell_area, &g.contrib_area, &g.da,
                           &g.contrib_da, &g.slope, &g.channel_length, &g.nca_fraction})
        f->assign(rows, cols, 0.0f);
    for (Grid<int>* i :
         {&g.dir, &g.river_class, &g.contours, &g.channels, &g.reach, &g.rank, &g.next})
        i->assign(rows, cols, 0);
    for (auto& f : g.fetch) f.assign(rows, cols, 0.0f);
    g.classes.assign(static_cast<std::size_t>(nclass), Grid<float>(rows, cols, 0.0f));
    g.class_names.clear();
    for (int c = 1; c <= nclass; ++c) g.class_names.push_back("class" + std::to_string(c));
    run.answers.initials = "JQ";
    run.answers.map_file = "zelm.map";
}

struct CellSpec {
    int row, col, next;  // next: number of the downstream cell, 0 for a receiving cell
};

// Number cells 1..cells.size() in the given order; the last `receiving` are
// receiving cells.
inline void set_cells(Run& run, const std::vector<CellSpec>& cells, int receiving) {
    const int na = static_cast<int>(cells.size());
    run.na = na;
    run.naa = na - receiving;
    run.n_kept = na;
    run.n_kept_receiving = receiving;
    run.cells.row.assign(static_cast<std::size_t>(na) + 1, 0);
    run.cells.col.assign(static_cast<std::size_t>(na) + 1, 0);
    run.cells.iak.assign(static_cast<std::size_t>(na) + 1, 1);
    run.cells.int_slope.assign(static_cast<std::size_t>(na) + 1, 0.0f);
    for (int n = 1; n <= na; ++n) {
        const CellSpec& c = cells[static_cast<std::size_t>(n - 1)];
        run.cells.row[static_cast<std::size_t>(n)] = c.row;
        run.cells.col[static_cast<std::size_t>(n)] = c.col;
        run.grid.rank(c.row, c.col) = n;
        run.grid.next(c.row, c.col) = c.next;
        run.grid.elev(c.row, c.col) = 100.0f - 10.0f * n;
        run.grid.cell_area(c.row, c.col) = 1.0e6f;
        run.grid.frac(c.row, c.col) = n > run.naa ? 0.0f : 1.0e6f;
    }
}

class InTempDir : public ::testing::Test {
  protected:
    void SetUp() override {
        old_ = std::filesystem::current_path();
        char tmpl[] = "/tmp/zel_out_XXXXXX";
        dir_ = mkdtemp(tmpl);
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    // Run a stage that must stop; returns the stop.
    Stop expect_stop(const std::function<void()>& stage) {
        try {
            stage();
        } catch (const Stop& s) {
            return s;
        }
        ADD_FAILURE() << "the stage did not stop";
        return {};
    }
    std::vector<std::string> console_lines() const {
        std::vector<std::string> lines;
        std::istringstream s(out.str());
        for (std::string l; std::getline(s, l);) lines.push_back(l);
        return lines;
    }
    bool console_has(const std::string& line) const {
        for (const auto& l : console_lines())
            if (l == line) return true;
        return false;
    }

    std::filesystem::path old_, dir_;
    std::istringstream in;
    std::ostringstream out;
    Console con{in, out};
    ::Run run;
};

}  // namespace outtest
