#include "network/subwatershed.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/big_memory.hpp"
#include "common/console.hpp"
#include "common/field_format.hpp"
#include "common/pieces.hpp"
#include "common/responses.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "mapfile/map_input.hpp"

namespace {

// Outlet and inlet ranks index the cell lists: anything outside 1..na would
// read outside them, so it ends the run with a message saying which.
void check_chosen_ranks(const Network& net, std::span<const int> list, const char* what) {
    for (std::size_t l = 0; l < list.size(); ++l) {
        const int v = list[l];
        if (v >= 1 && v <= net.na) continue;
        stop_lines({words(what, "grid #", static_cast<int>(l + 1), "has the rank", v),
                    words("but the grids of this map are ranked 1 to", net.na),
                    "Please correct the rank in zel_responses.txt", "Program aborted"});
    }
}

// A grid of the run log, north row first, each value given by `value(k)` for
// the 0-based square index k.
template <class Value>
void log_grid(Run& run, int yc, int xc, const char* title, int largest, Value value) {
    int w = 1;
    for (int v = largest; v >= 10; v /= 10) ++w;
    w = std::max(5, w + 2);
    run.log_line(title);
    rows_in_order(run.log, static_cast<std::size_t>(yc),
                  rows_per_piece(static_cast<std::size_t>(xc) * static_cast<std::size_t>(w)),
                  [&](std::size_t first, std::size_t last, std::string& s) {
                      for (std::size_t pos = first; pos <= last; ++pos) {
                          const int i = yc - static_cast<int>(pos);
                          field::put_i(s, i, 5);
                          const std::size_t base = static_cast<std::size_t>(i - 1) * xc;
                          for (int j = 0; j < xc; ++j) field::put_i(s, value(base + j), w);
                          s.push_back('\n');
                      }
                  });
}

bool anything_removed(const Window& w) { return w.south > 0 || w.north > 0 || w.west > 0 || w.east > 0; }

void say_counts(Console& con, const Window& w) {
    con.line("No. of rows removed north side = ", w.north);
    con.line("No. of rows removed south side = ", w.south);
    con.line("No. of columns removed west side = ", w.west);
    con.line("No. of columns removed east side = ", w.east);
}

// Which old cells stay. One pass from the lowest cell up does what a pass
// per outlet would: a cell drains to a higher number, so its downstream cell
// is settled before it is. `down` holds each cell's downstream cell (0 for
// none).
std::vector<std::uint8_t> kept_cells(const Network& net, const Outlets& outlets,
                                     std::span<const int> inlets, const std::vector<int>& down,
                                     Run& run) {
    const int na = net.na, naa = net.naa;
    const std::size_t cells = static_cast<std::size_t>(na) + 2;
    auto kept = big_vector<std::uint8_t>(cells, 0);
    auto outlet = big_vector<std::uint8_t>(cells, 0);
    const auto& rank = net.rank.values();
    const auto& next = net.next.values();
    int below = 0;  // every cell up to the highest outlet that is a receiving cell
    if (run.iopt >= 1) {
        run.log_line("n,lg,lstgrid,i,j,rank,next");
        for (int n = 1; n <= na; ++n) {
            const std::size_t k = net.square(n);
            run.log_line(words(n, 1, outlets.lastgrid[0], net.row[n], net.col[n], -rank[k], -next[k]));
        }
    }
    run.log_line("lg,lstgrid,i,j,rank,next");
    // A chosen outlet that drains into one of the basin's own receiving cells
    // keeps every cell numbered below it when that is the basin's only
    // receiving cell; when there are several, it keeps what drains into its
    // receiving cell, like any other outlet, and not the other watersheds.
    const bool drain_rule = outlets.chosen && na - naa > 1;
    for (std::size_t l = 0; l < outlets.lastgrid.size(); ++l) {
        const int lg = outlets.lastgrid[l];
        if (lg < 1 || lg > na) continue;  // revise_outlets stops on these
        const std::size_t k = net.square(lg);
        if (lg > naa && !drain_rule) {
            below = std::max(below, lg);
        } else {
            outlet[static_cast<std::size_t>(lg)] = 1;
        }
        const bool positive = lg <= naa && next[k] != 0;
        run.log_line(words(static_cast<int>(l + 1), lg, net.row[lg], net.col[lg],
                           positive ? rank[k] : -rank[k], positive ? next[k] : -next[k]));
    }
    for (int m = na; m >= 1; --m) {
        const auto mu = static_cast<std::size_t>(m);
        if (m <= below || outlet[mu]) {
            kept[mu] = 1;
        } else {
            const int d = down[mu];
            kept[mu] = d != 0 && kept[static_cast<std::size_t>(d)];
        }
    }

    // Inlets: whatever drains into an inlet goes; the inlet itself stays as it
    // was (an inlet draining into another inlet goes with the rest above it).
    if (!inlets.empty()) {
        auto inlet = big_vector<std::uint8_t>(cells, 0);
        auto above = big_vector<std::uint8_t>(cells, 0);
        int top = 0;
        for (int v : inlets) {
            inlet[static_cast<std::size_t>(v)] = 1;
            top = std::max(top, v);
        }
        for (int m = top - 1; m >= 1; --m) {
            const int d = down[static_cast<std::size_t>(m)];
            if (d != 0 && (inlet[static_cast<std::size_t>(d)] || above[static_cast<std::size_t>(d)])) {
                above[static_cast<std::size_t>(m)] = 1;
                kept[static_cast<std::size_t>(m)] = 0;
            }
        }
    }
    return kept;
}

// Two blank rows or columns are kept at each edge; the rest of the blank
// lines there go.
Window trimmed_window(const Network& net, const std::vector<std::uint8_t>& kept, int count,
                      const MapHeader& hdr) {
    const int yc = net.rank.rows(), xc = net.rank.cols();
    std::vector<std::uint8_t> row_used(static_cast<std::size_t>(yc) + 1, 0),
        col_used(static_cast<std::size_t>(xc) + 1, 0);
    for (int n = 1; n <= net.na; ++n) {
        if (!kept[static_cast<std::size_t>(n)]) continue;
        row_used[static_cast<std::size_t>(net.row[n])] = 1;
        col_used[static_cast<std::size_t>(net.col[n])] = 1;
    }
    auto blank_run = [](const std::vector<std::uint8_t>& used, int first, int step, int count_max) {
        int c = 0;
        for (int x = first; c < count_max && !used[static_cast<std::size_t>(x)]; x += step) ++c;
        return c;
    };
    auto trimmed = [](int blank) { return blank >= 2 ? blank - 2 : 0; };
    Window w;
    if (count > 0) {  // nothing numbered: the grid stays whole
        w.south = trimmed(blank_run(row_used, 1, 1, yc));
        w.north = trimmed(blank_run(row_used, yc, -1, yc));
        w.west = trimmed(blank_run(col_used, 1, 1, xc));
        w.east = trimmed(blank_run(col_used, xc, -1, xc));
    }
    w.rows = yc - w.north - w.south;
    w.cols = xc - w.west - w.east;
    w.xorigin = hdr.xorigin + w.west * hdr.xdelta;
    w.yorigin = hdr.yorigin + w.south * hdr.ydelta;
    return w;
}

}  // namespace

Outlets revise_outlets(const Network& net, const Responses& answers, Run& run) {
    check_chosen_ranks(net, answers.outlets, "Outlet");
    check_chosen_ranks(net, answers.inlets, "Inlet");
    Outlets out;
    if (answers.outlets.empty()) {
        out.lastgrid.assign(1, net.na);
        return out;
    }
    out.chosen = true;
    run.log_line("revised outlet grids to receiving grids:");
    bool outside = false;
    for (std::size_t l = 0; l < answers.outlets.size(); ++l) {
        const int chosen = answers.outlets[l];
        const int revised = net.next.values()[net.square(chosen)];
        run.log_line(words(static_cast<int>(l + 1), chosen, " > ", revised));
        out.lastgrid.push_back(revised);
        // A chosen receiving cell has no downstream cell (next 0): it is outside
        // the modelled watershed just like a revised value beyond na.
        if (revised > net.na || revised < 1) {
            run.con.say("It looks like you have picked a lastgrid outside");
            run.con.say("the original modelled watershed - in one of the ");
            run.con.say("receiving grids. Please reselect more upstream");
            run.con.line("na,naa,lastgrid", net.na, net.naa, revised);
            outside = true;
        }
    }
    if (outside) stop("Program aborted");
    return out;
}

Watershed extract_and_trim(const Network& net, const Outlets& outlets, std::span<const int> inlets,
                           const MapHeader& hdr, Run& run) {
    const int yc = net.rank.rows(), xc = net.rank.cols();
    const int na = net.na, naa = net.naa;
    check_chosen_ranks(net, inlets, "Inlet");

    Watershed shed;
    shed.lastgrid = outlets.lastgrid;
    if (shed.lastgrid.empty()) shed.lastgrid.assign(1, na);
    shed.outlets_chosen = outlets.chosen;
    run.log_line("list of outlet grids:");
    for (int lg : shed.lastgrid) run.log_line(words(lg));

    // The downstream cell of every cell, read once from the grid (0 for none).
    const std::size_t cells = static_cast<std::size_t>(na) + 2;
    auto down = big_vector<int>(cells, 0);
    for (int n = 1; n <= naa; ++n) {
        const int d = net.next.values()[net.square(n)];
        down[static_cast<std::size_t>(n)] = d > n && d <= na ? d : 0;
    }
    Outlets revised = outlets;
    revised.lastgrid = shed.lastgrid;
    const std::vector<std::uint8_t> kept = kept_cells(net, revised, inlets, down, run);
    auto is_kept = [&](int n) { return kept[static_cast<std::size_t>(n)] != 0; };

    // Before renumbering: the old numbers of the kept cells, 0 for the rest.
    run.log_line("**************************************************************");
    auto kept_sq = big_vector<std::uint8_t>(net.rank.size(), 0);
    for (int n = 1; n <= na; ++n) kept_sq[net.square(n)] = kept[static_cast<std::size_t>(n)];
    const auto& rank = net.rank.values();
    const auto& next = net.next.values();
    log_grid(run, yc, xc, "rank", na, [&](std::size_t k) { return kept_sq[k] ? rank[k] : 0; });
    log_grid(run, yc, xc, "next", na, [&](std::size_t k) { return kept_sq[k] ? next[k] : 0; });

    // Renumbering. The kept cells keep their order, but the receiving cells of
    // the watershed (a kept cell that drains nowhere kept) take the last
    // numbers: the model programs take 1..numGridsInBasin as the basin.
    auto receiving = [&](int n) {
        const int d = down[static_cast<std::size_t>(n)];
        return is_kept(n) && (n > naa || d == 0 || !is_kept(d));
    };
    auto new_number = big_vector<int>(cells, 0);
    int count = 0;
    for (int n = 1; n <= na; ++n)
        if (is_kept(n) && !receiving(n)) new_number[static_cast<std::size_t>(n)] = ++count;
    const int in_basin = count;
    for (int n = 1; n <= na; ++n)
        if (receiving(n)) new_number[static_cast<std::size_t>(n)] = ++count;

    shed.rank.assign(yc, xc, 0);
    shed.next.assign(yc, xc, 0);
    shed.old_number.assign(static_cast<std::size_t>(count) + 1, 0);
    for (int n = 1; n <= na; ++n) {
        if (!is_kept(n)) continue;
        const std::size_t k = net.square(n);
        const int number = new_number[static_cast<std::size_t>(n)];
        shed.rank.values()[k] = number;
        shed.next.values()[k] =
            receiving(n) ? 0 : new_number[static_cast<std::size_t>(down[static_cast<std::size_t>(n)])];
        shed.old_number[static_cast<std::size_t>(number)] = n;
    }
    shed.cells = count;
    shed.receiving = count - in_basin;
    if (na >= 1 && in_basin == 0) {
        std::vector<std::string> lines{
            "No grid is left in the watershed after the outlets and inlets were applied"};
        if (count > 0) lines.push_back("(only its receiving grid(s) would be left)");
        lines.insert(lines.end(), {"Please check the outlet and inlet ranks in zel_responses.txt",
                                   "Program aborted"});
        stop_lines(std::move(lines));
    }

    shed.window = trimmed_window(net, kept, count, hdr);
    const Window& w = shed.window;
    if (anything_removed(w)) {
        Console& con = run.con;
        con.say();
        con.say("Grid size for the .shd file has been reduced by");
        say_counts(con, w);
        con.line("xcount=", xc);
        con.line("ycount=", yc);
        con.line("There will now be ", w.cols, " columns");
        con.line("                  ", w.rows, " rows and");
        con.say("This is done to reduce the size of the output files");
    }
    return shed;
}

LegacyExtents adjust_legacy_extents(const Window& w, const MapHeader& h, Run& run) {
    // Nothing sets the extents from the header: they start at 0.
    LegacyExtents e;
    if (h.projection.metric()) {
        e.south += w.south;
        e.north -= w.north;
        e.west += w.west;
        e.east -= w.east;
        return e;
    }
    Console& con = run.con;
    // Geographic extents are whole minutes.
    const bool removed = anything_removed(w);
    auto four = [&] { return words(e.south, e.north, e.west, e.east); };
    if (removed) {
        con.say(" Old extent of the grid in minutes:");
        con.say(four());
    }
    e.south += static_cast<int>(w.south * h.ydelta);
    e.north -= static_cast<int>(w.north * h.ydelta);
    e.west += static_cast<int>(w.west * h.xdelta);
    e.east -= static_cast<int>(w.east * h.xdelta);
    if (removed) {
        con.say(" New extent of the grid in minutes:");
        con.say(four());
        con.say(" New extent of the grid in degrees & minutes:");
        auto dm = [](int v) {
            const int deg = v / 60;
            return words(deg, v - deg * 60);
        };
        con.line(dm(e.south), dm(e.north));
        con.line(dm(e.west), dm(e.east));
        con.line(" x interval =", h.xdelta);
        con.line("y interval =", h.ydelta);
    }
    return e;
}

void report_trimming_again(const Window& window, Run& run) {
    if (!anything_removed(window)) return;
    run.con.say("2nd time");
    say_counts(run.con, window);
}
