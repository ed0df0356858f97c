#include "network/subwatershed.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "common/field_format.hpp"
#include "network/flow_internal.hpp"

namespace {

std::size_t square_index(const Run& run, int n) {
    return static_cast<std::size_t>(run.cells.row[n] - 1) * static_cast<std::size_t>(run.hdr.xcount) +
           static_cast<std::size_t>(run.cells.col[n] - 1);
}

// Outlet and inlet ranks index the cell lists: anything outside 1..na would
// read outside them, so it ends the run with a message saying which.
void check_chosen_ranks(const Run& run) {
    auto check = [&](const std::vector<int>& list, const char* what) {
        for (std::size_t l = 0; l < list.size(); ++l) {
            const int v = list[l];
            if (v >= 1 && v <= run.na) continue;
            stop_lines({words(what, "grid #", static_cast<int>(l + 1), "has the rank", v),
                        words("but the grids of this map are ranked 1 to", run.na),
                        "Please correct the rank in zel_responses.txt", "Program aborted"});
        }
    };
    check(run.answers.outlets, "Outlet");
    check(run.answers.inlets, "Inlet");
}

// A grid of the run log, north row first, each value given by `value(k)` for
// the 0-based square index k.
template <class Value>
void log_grid(Run& run, const char* title, int largest, Value value) {
    const int yc = run.hdr.ycount, xc = run.hdr.xcount;
    int w = 1;
    for (int v = largest; v >= 10; v /= 10) ++w;
    w = std::max(5, w + 2);
    run.log_line(title);
    std::string s;
    for (int i = yc; i >= 1; --i) {
        s.clear();
        field::put_i(s, i, 5);
        const std::size_t base = static_cast<std::size_t>(i - 1) * xc;
        for (int j = 0; j < xc; ++j) field::put_i(s, value(base + j), w);
        run.log_line(s);
    }
}

bool anything_removed(const Window& w) { return w.south > 0 || w.north > 0 || w.west > 0 || w.east > 0; }

void say_counts(Console& con, const Window& w) {
    con.line("No. of rows removed north side = ", w.north);
    con.line("No. of rows removed south side = ", w.south);
    con.line("No. of columns removed west side = ", w.west);
    con.line("No. of columns removed east side = ", w.east);
}

}  // namespace

void revise_outlets(Run& run, Console& con) {
    check_chosen_ranks(run);
    if (run.answers.outlets.empty()) {
        run.lastgrid.assign(1, run.na);
        return;
    }
    const auto& next = run.grid.next;
    const bool have = next.rows() == run.hdr.ycount && next.cols() == run.hdr.xcount;
    run.log_line("revised outlet grids to receiving grids:");
    run.lastgrid.clear();
    bool outside = false;
    for (std::size_t l = 0; l < run.answers.outlets.size(); ++l) {
        const int chosen = run.answers.outlets[l];
        const int revised = have ? next.values()[square_index(run, chosen)] : 0;
        run.log_line(words(static_cast<int>(l + 1), chosen, " > ", revised));
        run.lastgrid.push_back(revised);
        // A chosen receiving cell has no downstream cell (next 0): it is outside
        // the modelled watershed just like a revised value beyond na.
        if (revised > run.na || revised < 1) {
            con.say("It looks like you have picked a lastgrid outside");
            con.say("the original modelled watershed - in one of the ");
            con.say("receiving grids. Please reselect more upstream");
            con.line("na,naa,lastgrid", run.na, run.naa, revised);
            outside = true;
        }
    }
    if (outside) stop("Program aborted");
}

void extract_and_trim(Run& run, Console& con) {
    const int yc = run.hdr.ycount, xc = run.hdr.xcount;
    const int na = run.na, naa = run.naa;
    auto& g = run.grid;
    if (g.rank.rows() != yc || g.rank.cols() != xc) g.rank.assign(yc, xc);
    if (g.next.rows() != yc || g.next.cols() != xc) g.next.assign(yc, xc);
    if (g.frac.rows() != yc || g.frac.cols() != xc) g.frac.assign(yc, xc);
    check_chosen_ranks(run);
    if (run.lastgrid.empty()) run.lastgrid.assign(1, na);

    auto& rank = g.rank.values();
    auto& next = g.next.values();

    run.log_line("list of outlet grids:");
    for (int lg : run.lastgrid) run.log_line(words(lg));

    // Which old cells stay. One pass from the lowest cell up does what a pass
    // per outlet would: a cell drains to a higher number, so its downstream
    // cell is settled before it is.
    const std::size_t cells = static_cast<std::size_t>(na) + 2;
    auto kept = big_vector<std::uint8_t>(cells, 0);
    auto outlet = big_vector<std::uint8_t>(cells, 0);
    int below = 0;  // every cell up to the highest outlet that is a receiving cell
    if (run.iopt >= 1) {
        run.log_line("n,lg,lstgrid,i,j,rank,next");
        for (int n = 1; n <= na; ++n) {
            const std::size_t k = square_index(run, n);
            run.log_line(words(n, 1, run.lastgrid[0], run.cells.row[n], run.cells.col[n], -rank[k], -next[k]));
        }
    }
    run.log_line("lg,lstgrid,i,j,rank,next");
    // A chosen outlet that drains into one of the basin's own receiving cells
    // keeps every cell numbered below it when that is the basin's only
    // receiving cell; when there are several, it keeps what drains into its
    // receiving cell, like any other outlet, and not the other watersheds.
    const bool drain_rule = !run.answers.outlets.empty() && na - naa > 1;
    for (std::size_t l = 0; l < run.lastgrid.size(); ++l) {
        const int lg = run.lastgrid[l];
        if (lg < 1 || lg > na) continue;  // revise_outlets stops on these
        const std::size_t k = square_index(run, lg);
        if (lg > naa && !drain_rule) {
            below = std::max(below, lg);
        } else {
            outlet[lg] = 1;
        }
        const bool positive = lg <= naa && next[k] != 0;
        run.log_line(words(static_cast<int>(l + 1), lg, run.cells.row[lg], run.cells.col[lg],
                           positive ? rank[k] : -rank[k], positive ? next[k] : -next[k]));
    }
    // The downstream cell of every cell, read once from the grid (0 for none).
    auto down = big_vector<int>(cells, 0);
    for (int n = 1; n <= naa; ++n) {
        const int d = next[square_index(run, n)];
        down[n] = d > n && d <= na ? d : 0;
    }
    auto downstream = [&](int n) { return down[n]; };
    for (int m = na; m >= 1; --m) {
        if (m <= below || outlet[m]) {
            kept[m] = 1;
        } else {
            const int d = downstream(m);
            kept[m] = d != 0 && kept[d];
        }
    }

    // Inlets: whatever drains into an inlet goes; the inlet itself stays as it
    // was (an inlet draining into another inlet goes with the rest above it).
    if (!run.answers.inlets.empty()) {
        auto inlet = big_vector<std::uint8_t>(cells, 0);
        auto above = big_vector<std::uint8_t>(cells, 0);
        int top = 0;
        for (int v : run.answers.inlets) {
            inlet[v] = 1;
            top = std::max(top, v);
        }
        for (int m = top - 1; m >= 1; --m) {
            const int d = downstream(m);
            if (d != 0 && (inlet[d] || above[d])) {
                above[m] = 1;
                kept[m] = 0;
            }
        }
    }

    // Before renumbering: the old numbers of the kept cells, 0 for the rest.
    run.log_line("**************************************************************");
    auto kept_sq = big_vector<std::uint8_t>(rank.size(), 0);
    for (int n = 1; n <= na; ++n) kept_sq[square_index(run, n)] = kept[n];
    auto kept_square = [&](std::size_t k) { return kept_sq[k] != 0; };
    log_grid(run, "rank", na, [&](std::size_t k) { return kept_square(k) ? rank[k] : 0; });
    log_grid(run, "next", na, [&](std::size_t k) { return kept_square(k) ? next[k] : 0; });

    // Renumbering. The kept cells keep their order, but the receiving cells of
    // the watershed (a kept cell that drains nowhere kept) take the last
    // numbers: the model programs take 1..numGridsInBasin as the basin.
    auto receiving = [&](int n) { return kept[n] && (n > naa || down[n] == 0 || !kept[down[n]]); };
    auto new_number = big_vector<int>(cells, 0);
    int count = 0;
    for (int n = 1; n <= na; ++n)
        if (kept[n] && !receiving(n)) new_number[n] = ++count;
    const int in_basin = count;
    for (int n = 1; n <= na; ++n)
        if (receiving(n)) new_number[n] = ++count;
    auto& frac = g.frac.values();
    const bool contrib = run.nca_in_use && g.contrib_area.size() == frac.size();
    run.old_number.assign(static_cast<std::size_t>(count) + 1, 0);
    for (int n = 1; n <= na; ++n) {
        const std::size_t k = square_index(run, n);
        const int new_next = kept[n] && !receiving(n) ? new_number[down[n]] : 0;
        rank[k] = new_number[n];
        next[k] = new_next;
        if (kept[n]) run.old_number[static_cast<std::size_t>(new_number[n])] = n;
        // The cell below each outlet, and any cell whose downstream cell went,
        // becomes a receiving cell: no surface of its own, and (like the
        // basin's receiving cells) the smallest contributing area.
        if (new_next == 0) {
            frac[k] = 0.0f;
            if (contrib && kept[n]) g.contrib_area.values()[k] = 1.0f;
        }
    }
    run.n_kept = count;
    run.n_kept_receiving = count - in_basin;
    if (na >= 1 && in_basin == 0) {
        std::vector<std::string> lines{
            "No grid is left in the watershed after the outlets and inlets were applied"};
        if (count > 0) lines.push_back("(only its receiving grid(s) would be left)");
        lines.insert(lines.end(), {"Please check the outlet and inlet ranks in zel_responses.txt",
                                   "Program aborted"});
        stop_lines(std::move(lines));
    }

    // Trimming: blank lines at each edge, two of them kept.
    std::vector<std::uint8_t> row_used(static_cast<std::size_t>(yc) + 1, 0), col_used(static_cast<std::size_t>(xc) + 1, 0);
    for (int n = 1; n <= na; ++n) {
        if (!kept[n]) continue;
        row_used[run.cells.row[n]] = 1;
        col_used[run.cells.col[n]] = 1;
    }
    auto blank_run = [](const std::vector<std::uint8_t>& used, int first, int step, int count_max) {
        int c = 0;
        for (int x = first; c < count_max && !used[x]; x += step) ++c;
        return c;
    };
    auto trimmed = [](int blank) { return blank >= 2 ? blank - 2 : 0; };
    Window& w = run.window;
    w.south = trimmed(blank_run(row_used, 1, 1, yc));
    w.north = trimmed(blank_run(row_used, yc, -1, yc));
    w.west = trimmed(blank_run(col_used, 1, 1, xc));
    w.east = trimmed(blank_run(col_used, xc, -1, xc));
    if (count == 0) w.south = w.north = w.west = w.east = 0;  // nothing numbered: keep the grid whole
    w.rows = yc - w.north - w.south;
    w.cols = xc - w.west - w.east;
    w.xorigin = run.hdr.xorigin + w.west * run.hdr.xdelta;
    w.yorigin = run.hdr.yorigin + w.south * run.hdr.ydelta;

    if (anything_removed(w)) {
        con.say();
        con.say("Grid size for the .shd file has been reduced by");
        say_counts(con, w);
        con.line("xcount=", xc);
        con.line("ycount=", yc);
        con.line("There will now be ", w.cols, " columns");
        con.line("                  ", w.rows, " rows and");
        con.say("This is done to reduce the size of the output files");
    }
}

void blank_outside_watershed(Run& run) {
    const int yc = run.hdr.ycount, xc = run.hdr.xcount;
    auto& g = run.grid;
    if (g.rank.rows() != yc || g.rank.cols() != xc) return;
    const Window& w = run.window;
    const int r0 = w.south + 1, r1 = yc - w.north, c0 = w.west + 1, c1 = xc - w.east;
    auto zero = [&](auto& grid, int i, int j) {
        if (grid.rows() == yc && grid.cols() == xc) grid(i, j) = 0;
    };
    for (int i = r0; i <= r1; ++i) {
        for (int j = c0; j <= c1; ++j) {
            if (g.rank(i, j) != 0) continue;
            zero(g.next, i, j);
            zero(g.da, i, j);
            zero(g.bankfull, i, j);
            zero(g.slope, i, j);
            zero(g.elev, i, j);
            zero(g.channel_length, i, j);
            zero(g.river_class, i, j);
            zero(g.channels, i, j);
            zero(g.reach, i, j);
            zero(g.frac, i, j);
            // These stand in for da and frac_2d when non-contributing areas are used.
            zero(g.contrib_da, i, j);
            zero(g.contrib_area, i, j);
            for (auto& c : g.classes) zero(c, i, j);
            for (auto& f : g.fetch) zero(f, i, j);
            zero(g.dem_mean, i, j);
            zero(g.dem_max, i, j);
        }
    }
}

void adjust_legacy_extents(Run& run, Console& con) {
    const Window& w = run.window;
    const MapHeader& h = run.hdr;
    if (flow::metric_projection(h.projection)) {
        run.ext_south += w.south;
        run.ext_north -= w.north;
        run.ext_west += w.west;
        run.ext_east -= w.east;
        return;
    }
    // Geographic extents are whole minutes.
    const bool removed = anything_removed(w);
    auto four = [&] { return words(run.ext_south, run.ext_north, run.ext_west, run.ext_east); };
    if (removed) {
        con.say(" Old extent of the grid in minutes:");
        con.say(four());
    }
    run.ext_south += static_cast<int>(w.south * h.ydelta);
    run.ext_north -= static_cast<int>(w.north * h.ydelta);
    run.ext_west += static_cast<int>(w.west * h.xdelta);
    run.ext_east -= static_cast<int>(w.east * h.xdelta);
    if (removed) {
        con.say(" New extent of the grid in minutes:");
        con.say(four());
        con.say(" New extent of the grid in degrees & minutes:");
        auto dm = [](int v) {
            const int deg = v / 60;
            return words(deg, v - deg * 60);
        };
        con.line(dm(run.ext_south), dm(run.ext_north));
        con.line(dm(run.ext_west), dm(run.ext_east));
        con.line(" x interval =", h.xdelta);
        con.line("y interval =", h.ydelta);
    }
}

void report_trimming_again(Run& run, Console& con) {
    if (!anything_removed(run.window)) return;
    con.say("2nd time");
    say_counts(con, run.window);
}
