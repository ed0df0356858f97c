// zel --locate: numbers the basin as a run would (the map and the saved
// answers' options), writes nothing, and shows the cell at a map point and
// the river cell to use as an outlet for a gauge there.
#include "driver/locate.hpp"

#include <cmath>
#include <optional>
#include <string>

#include "common/field_format.hpp"
#include "common/text.hpp"
#include "driver/dry_run.hpp"
#include "driver/options.hpp"
#include "driver/responses.hpp"
#include "mapfile/grid_blocks.hpp"
#include "mapfile/map_header.hpp"
#include "mapfile/map_input.hpp"
#include "network/flow_network.hpp"
#include "network/nca.hpp"

namespace {

// The square of a map point; nothing off the grid.
struct Square {
    int row = 0, col = 0;
};
std::optional<Square> square_at(const MapHeader& h, double x, double y) {
    const double c = std::floor((x - h.xorigin) / h.xdelta) + 1.0;
    const double r = std::floor((y - h.yorigin) / h.ydelta) + 1.0;
    if (!(c >= 1.0 && c <= h.xcount && r >= 1.0 && r <= h.ycount)) return std::nullopt;
    return Square{static_cast<int>(r), static_cast<int>(c)};
}

std::string map_point(const MapHeader& h, int i, int j) {
    const int decimals = h.projection.metric() ? 1 : 5;
    std::string s;
    field::put_fixed(s, h.xorigin + (j - 0.5) * static_cast<double>(h.xdelta), decimals);
    s += ", ";
    field::put_fixed(s, h.yorigin + (i - 0.5) * static_cast<double>(h.ydelta), decimals);
    return s;
}

}  // namespace

int locate_cell(Console& con, const Options& options) {
    DryRun dry;
    std::string why;
    std::optional<Stop> stopped;
    std::optional<Responses> saved = dry.saved_answers(why, stopped);
    if (stopped) {
        for (const auto& l : stopped->lines) con.say(l);
        return 1;
    }
    Responses answers;
    if (saved) {
        answers = *saved;
    } else {
        answers.map_file = "zelm.map";
        con.say(why + "; numbering " + answers.map_file + " without its options");
    }
    std::string problem;
    if (!dry.load_map(answers.map_file, problem)) {
        con.say("zel --locate: " + problem);
        return 1;
    }

    // The network as a run makes it, non-contributing areas included.
    MapInput map;
    Network net;
    NonContributing nca;
    Run& run = dry.run;
    stopped = dry.attempt([&] {
        read_map_header(dry.map, answers.split_percent, map, run);
        allocate_grids(dry.map, map, run);
        read_blocks_1_to_3(dry.map, map, run);
        CellAreas areas = compute_cell_areas(map.hdr, std::move(map.fraction));
        nca = non_contributing_areas(map.hdr, areas.frac, answers, run);
        net = number_cells(map, std::move(areas), nca, run);
        compute_slopes(net, map, clamp_min_slope(answers.min_slope), run);
    });
    if (stopped) {
        con.say("zel --locate: the basin cannot be numbered:");
        for (const auto& l : stopped->lines) con.say(l);
        return 1;
    }
    const MapHeader& h = map.hdr;
    const Grid<float>& da = nca.in_use ? net.contrib_da : net.da;
    const std::string da_name = nca.in_use ? "contributing drainage area" : "drainage area";
    const std::string point = num(options.x) + ", " + num(options.y);

    const std::optional<Square> at = square_at(h, options.x, options.y);
    if (!at) {
        con.say("The point " + point + " lies outside the grid of " + answers.map_file + " (x " +
                num(h.xorigin) + " to " + num(h.xorigin + h.xcount * h.xdelta) + ", y " +
                num(h.yorigin) + " to " + num(h.yorigin + h.ycount * h.ydelta) + ")");
        return 1;
    }
    const int n = net.rank(at->row, at->col);
    con.say("The point " + point + " lies in the square at " + map_point(h, at->row, at->col) +
            ": row " + std::to_string(at->row) + ", column " + std::to_string(at->col));
    if (n == 0) {
        con.say("  a blank square: not a cell of the basin");
    } else {
        con.say("  rank " + std::to_string(n) + ", elevation " + num(map.elev(at->row, at->col)) +
                ", " + da_name + " " + num(da(at->row, at->col)) + " km2" +
                (n > net.naa ? ", a receiving cell"
                             : ", drains into rank " + std::to_string(net.next(at->row, at->col))));
    }

    // The river cell: the largest drainage area within the radius.
    const double radius = options.has_radius ? options.radius : 2.0 * std::max(h.xdelta, h.ydelta);
    const int reach_cols = static_cast<int>(std::ceil(radius / h.xdelta)) + 1;
    const int reach_rows = static_cast<int>(std::ceil(radius / h.ydelta)) + 1;
    int best = 0, bi = 0, bj = 0;
    float best_da = -1;
    for (int i = std::max(1, at->row - reach_rows); i <= std::min(h.ycount, at->row + reach_rows); ++i) {
        for (int j = std::max(1, at->col - reach_cols); j <= std::min(h.xcount, at->col + reach_cols); ++j) {
            const int k = net.rank(i, j);
            if (k < 1 || k > net.naa) continue;  // outlets are basin cells
            const double dx = h.xorigin + (j - 0.5) * static_cast<double>(h.xdelta) - options.x;
            const double dy = h.yorigin + (i - 0.5) * static_cast<double>(h.ydelta) - options.y;
            if (std::sqrt(dx * dx + dy * dy) > radius) continue;
            if (da(i, j) > best_da) {
                best_da = da(i, j);
                best = k;
                bi = i;
                bj = j;
            }
        }
    }
    if (best == 0) {
        con.say("No basin cell within " + num(radius) + " of " + point +
                ": give a point nearer the river, or a larger --radius");
        return 1;
    }
    con.say("River cell within " + num(radius) + ": rank " + std::to_string(best) + " at " +
            map_point(h, bi, bj) + " (row " + std::to_string(bi) + ", column " +
            std::to_string(bj) + "), " + da_name + " " + num(best_da) + " km2");
    con.say("For zel_responses.txt (line 5):");
    con.say(responses_lines([&] {
                Responses r;
                r.outlets = {best};
                return r;
            }())[4]);
    return 0;
}
