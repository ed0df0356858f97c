#include "network/flow_network.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <new>
#include <string>
#include <type_traits>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "common/console.hpp"
#include "common/d8.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "common/field_format.hpp"
#include "network/flow_internal.hpp"

namespace flow {


std::vector<std::uint32_t> numbering_order(const Grid<float>& elev) {
    // One stable sort: squares are taken in index order (south row first, west
    // to east), then sorted by descending elevation with an LSD radix sort,
    // which keeps that order among equal elevations. For positive floats the
    // bit pattern orders like the value, so the inverted bits sort descending;
    // equal keys need equal bits, so equality is exact as it must be.
    const auto& v = elev.values();
    std::size_t count = 0;
    for (float e : v) count += (e > 0.0f);
    std::vector<std::uint32_t> key = big_vector<std::uint32_t>(count, 0);
    std::vector<std::uint32_t> order = big_vector<std::uint32_t>(count, 0);
    {
        std::size_t n = 0;
        for (std::size_t k = 0; k < v.size(); ++k) {
            if (v[k] > 0.0f) {
                key[n] = ~std::bit_cast<std::uint32_t>(v[k]);
                order[n] = static_cast<std::uint32_t>(k);
                ++n;
            }
        }
    }
    constexpr int kBits = 11;
    constexpr std::uint32_t kMask = (1u << kBits) - 1;
    std::vector<std::uint32_t> key2 = big_vector<std::uint32_t>(count, 0);
    std::vector<std::uint32_t> order2 = big_vector<std::uint32_t>(count, 0);
    std::vector<std::size_t> start(std::size_t{1} << kBits);
    for (int shift = 0; shift < 32; shift += kBits) {
        std::fill(start.begin(), start.end(), 0);
        for (std::uint32_t k : key) ++start[(k >> shift) & kMask];
        // A digit shared by every key leaves the order as it is.
        if (count == 0 || start[(key[0] >> shift) & kMask] == count) continue;
        std::size_t sum = 0;
        for (auto& s : start) {
            const std::size_t c = s;
            s = sum;
            sum += c;
        }
        for (std::size_t n = 0; n < count; ++n) {
            const std::size_t to = start[(key[n] >> shift) & kMask]++;
            key2[to] = key[n];
            order2[to] = order[n];
        }
        key.swap(key2);
        order.swap(order2);
    }
    return order;
}

bool metric_projection(std::string_view projection) {
    // The header check accepts anything starting with these words; an accepted
    // "UTM..." must not be taken for degrees.
    return projection.substr(0, 3) == "UTM" || projection.substr(0, 9) == "CARTESIAN";
}

double km_per_degree_lat(double phi) {
    return 111.136 - 0.5623 * std::cos(2.0 * phi) + 0.0011 * std::cos(4.0 * phi);
}

double km_per_degree_lon(double phi) {
    return 111.4172 * std::cos(phi) - 0.094 * std::cos(3.0 * phi) + 0.0002 * std::cos(5.0 * phi);
}

}  // namespace flow

namespace {

constexpr double kPi = 3.1415927;
constexpr float kSlopeFloor = 1.0e-7f;

std::size_t square_index(const Run& run, int n) {
    return static_cast<std::size_t>(run.cells.row[n] - 1) * static_cast<std::size_t>(run.hdr.xcount) +
           static_cast<std::size_t>(run.cells.col[n] - 1);
}

bool same_shape(const Grid<float>& g, const Run& run) {
    return g.rows() == run.hdr.ycount && g.cols() == run.hdr.xcount;
}

// Drainage area in km2 accumulated down the network from `area` (m2), cells
// 1..naa in number order, each taking its upstream neighbours in a fixed order.
void accumulate(Run& run, Console& con, const Grid<float>& area, Grid<float>& da, bool warn) {
    const int yc = run.hdr.ycount, xc = run.hdr.xcount;
    const auto& dir = run.grid.dir.values();
    auto& d = da.values();
    const auto& a = area.values();
    // The neighbour that drains into the cell with code c lies one step
    // against c: SW with 1, W with 2, NW with 3, N 4, NE 5, E 6, SE 7, S 8.
    const long long stride = xc;
    for (int n = 1; n <= run.naa; ++n) {
        const int i = run.cells.row[n], j = run.cells.col[n];
        const std::size_t k = square_index(run, n);
        d[k] = a[k] * 1.0e-6f;
        if (i == 1 || j == 1 || i == yc || j == xc) {
            if (warn) con.say("WARNING: missing blank edge(s) - crash possible");
            continue;
        }
        float sum = d[k];
        for (int c = 1; c <= 8; ++c) {
            const std::size_t m = static_cast<std::size_t>(static_cast<long long>(k) -
                                                           d8::kRowStep[c] * stride - d8::kColStep[c]);
            if (d8::effective_code(dir[m]) == c) sum += d[m];
        }
        d[k] = sum;
    }
}

// An integer in `w` columns, or wider (with one blank before it) when it would
// not fit: cell numbers of continental grids must stay readable.
void put_int(std::string& s, long long v, int w) {
    int digits = v < 0 ? 2 : 1;
    for (long long x = v < 0 ? -v : v; x >= 10; x /= 10) ++digits;
    field::put_i(s, v, digits < w ? w : digits + 1);
}

std::string location_line(std::string_view text, int n, int i, int j, float elev) {
    std::string s(text);
    put_int(s, n, 8);
    s += " @ ";
    put_int(s, i, 5);
    put_int(s, j, 5);
    s += " elv=";
    field::put_f(s, elev, 10, 3);
    return s;
}

int width_for(long long largest) {
    int w = 1;
    for (long long v = largest < 0 ? -largest : largest; v >= 10; v /= 10) ++w;
    return std::max(5, w + 2);
}

}  // namespace

void clamp_min_slope(Run& run) {
    float s = run.answers.min_slope;
    if (!(s >= kSlopeFloor)) s = kSlopeFloor;  // NaN included
    if (s > 1.0f) s = 1.0f;
    run.min_slope = s;
}

void compute_cell_areas(Run& run, Console&) {
    const MapHeader& h = run.hdr;
    const int yc = h.ycount, xc = h.xcount;
    auto& g = run.grid;
    if (!same_shape(g.cell_area, run)) g.cell_area.assign(yc, xc);
    if (!same_shape(g.channel_length, run)) g.channel_length.assign(yc, xc);
    if (!same_shape(g.frac, run)) g.frac.assign(yc, xc);

    if (flow::metric_projection(h.projection)) {
        const float area = h.xdelta * h.ydelta;
        g.cell_area.fill(area);
        run.al = std::sqrt(area);
        run.center_dx_km = run.center_dy_km = 0;
    } else {
        // Geographic: the area of a square depends on the latitude of its row's
        // northern edge.
        auto row_area = [&](int i) {
            const double phi = (static_cast<double>(h.yorigin) + i * static_cast<double>(h.ydelta)) * kPi / 180.0;
            return static_cast<float>(1.0e6 * h.xdelta * h.ydelta * flow::km_per_degree_lat(phi) *
                                      flow::km_per_degree_lon(phi));
        };
        for (int i = 1; i <= yc; ++i) std::fill_n(g.cell_area.row_data(i), xc, row_area(i));
        run.al = std::sqrt(row_area(yc / 2));
        const double phic =
            (static_cast<double>(h.yorigin) + yc * (static_cast<double>(h.ydelta) / 2.0)) * kPi / 180.0;
        run.center_dx_km = static_cast<float>(h.xdelta * flow::km_per_degree_lon(phic));
        run.center_dy_km = static_cast<float>(h.ydelta * flow::km_per_degree_lat(phic));
    }
    auto& frac = g.frac.values();
    const auto& area = g.cell_area.values();
    auto& len = g.channel_length.values();
    for (std::size_t k = 0; k < area.size(); ++k) {
        frac[k] *= area[k];
        len[k] = std::sqrt(area[k]);
    }
}

void number_cells(Run& run, Console& con) {
    const int yc = run.hdr.ycount, xc = run.hdr.xcount;
    auto& g = run.grid;
    if (!same_shape(g.elev, run)) g.elev.assign(yc, xc);
    if (!same_shape(g.frac, run)) g.frac.assign(yc, xc);
    if (!same_shape(g.da, run)) g.da.assign(yc, xc);
    if (g.rank.rows() != yc || g.rank.cols() != xc) g.rank.assign(yc, xc);
    g.rank.fill(0);
    if (g.dir.rows() != yc || g.dir.cols() != xc) g.dir.assign(yc, xc);

    const std::vector<std::uint32_t> order = flow::numbering_order(g.elev);
    const int na = static_cast<int>(order.size());
    try {
        CellTable& c = run.cells;
        const std::size_t size = static_cast<std::size_t>(na) + 1;
        assign_big(c.row, size, 0);
        assign_big(c.col, size, 0);
        assign_big(c.iak, size, 0);
        assign_big(c.int_slope, size, 0.0f);
    } catch (const std::bad_alloc&) {
        stop("Error with allocation of area4 arrays in zel");
    }

    auto& rank = g.rank.values();
    const auto& frac = g.frac.values();
    int receiving = 0;
    for (int n = 1; n <= na; ++n) {
        const std::uint32_t k = order[n - 1];
        rank[k] = n;
        run.cells.row[n] = static_cast<int>(k / static_cast<std::uint32_t>(xc)) + 1;
        run.cells.col[n] = static_cast<int>(k % static_cast<std::uint32_t>(xc)) + 1;
        if (frac[k] <= 0.0f) ++receiving;
    }
    run.na = na;
    run.nreceiving = receiving;
    run.naa = na - receiving;

    // A direction code outside 0..8 is followed as code 1 everywhere, so name
    // such squares: the map probably holds a typing error there.
    const auto& dir = g.dir.values();
    for (int n = 1; n <= run.naa; ++n) {
        const int code = dir[square_index(run, n)];
        if (code < 0 || code > 8) {
            std::string s = " drainage direction code";
            put_int(s, code, 6);
            s += " @ grid #";
            put_int(s, n, 8);
            s += " @ ";
            put_int(s, run.cells.row[n], 5);
            put_int(s, run.cells.col[n], 5);
            s += " taken as 1 (north-east)";
            run.log_line(s);
        }
    }

    accumulate(run, con, g.frac, g.da, true);
    if (run.nca_in_use) {
        if (!same_shape(g.contrib_area, run)) g.contrib_area.assign(yc, xc);
        if (!same_shape(g.contrib_da, run)) g.contrib_da.assign(yc, xc);
        accumulate(run, con, g.contrib_area, g.contrib_da, false);
    }
}

void compute_slopes(Run& run, Console& con) {
    const int yc = run.hdr.ycount, xc = run.hdr.xcount;
    auto& g = run.grid;
    if (!same_shape(g.slope, run)) g.slope.assign(yc, xc);
    if (!same_shape(g.channel_length, run)) g.channel_length.assign(yc, xc);
    if (g.next.rows() != yc || g.next.cols() != xc) g.next.assign(yc, xc);

    const auto& elev = g.elev.values();
    const auto& dir = g.dir.values();
    const auto& rank = g.rank.values();
    auto& next = g.next.values();
    auto& slope = g.slope.values();
    auto& len = g.channel_length.values();
    const float straight = run.al;
    const float diagonal = d8::kDiagonalFactor * run.al;

    // Each cell depends only on its own square and the ranks around it, so the
    // grid is walked row by row; the drainage errors are logged in cell order.
    std::vector<int> errors;
    for (int i = 1; i <= yc; ++i) {
        for (int j = 1; j <= xc; ++j) {
            const std::size_t k = static_cast<std::size_t>(i - 1) * xc + static_cast<std::size_t>(j - 1);
            const int n = rank[k];
            if (n < 1 || n > run.naa) continue;
            float raw = slope[k];
            if (dir[k] != 0) {
                const int c = d8::effective_code(dir[k]);
                const float length = d8::kDiagonal[c] ? diagonal : straight;
                len[k] = length;
                const int di = i + d8::kRowStep[c], dj = j + d8::kColStep[c];
                if (di >= 1 && di <= yc && dj >= 1 && dj <= xc) {
                    const std::size_t dk = static_cast<std::size_t>(di - 1) * xc + static_cast<std::size_t>(dj - 1);
                    raw = length > 0.0f ? (elev[k] - elev[dk]) / length : 0.0f;
                    next[k] = rank[dk];
                } else {
                    // Pointing off the grid: there is no downstream square, which
                    // makes this a drainage error below.
                    next[k] = 0;
                }
            }
            float sl = raw;
            if (!(sl >= kSlopeFloor)) sl = kSlopeFloor;
            if (sl < run.min_slope) sl = run.min_slope;
            slope[k] = sl;
            if (next[k] <= n) errors.push_back(n);
        }
    }
    std::sort(errors.begin(), errors.end());

    for (int n : errors) {
        const std::size_t k = square_index(run, n);
        ++run.errors;
        std::string loc = " please fix - location n,row,col,next(i,j)/";
        put_int(loc, n, 5);
        put_int(loc, run.cells.row[n], 5);
        put_int(loc, run.cells.col[n], 5);
        put_int(loc, next[k], 5);
        if (!run.error_log.is_open()) {
            if (run.error_log.open("fort.39")) {
                run.error_log.line(" ERROR: grid does not drain to lower grid");
                run.error_log.line(" next(i,j) set to n+1 <<<<<<FIX FIX FIX");
            } else {
                con.say("Unable to create the drainage error log fort.39");
            }
        }
        if (run.error_log.is_open()) run.error_log.line(loc);
        next[k] = n + 1;
        slope[k] = -slope[k];
    }
}

void set_cell_river_classes(Run& run, Console& con) {
    const auto& rc = run.grid.river_class;
    const bool have = rc.rows() == run.hdr.ycount && rc.cols() == run.hdr.xcount;
    for (int n = 1; n <= run.naa; ++n) {
        const int v = have ? rc.values()[square_index(run, n)] : 0;
        run.cells.iak[n] = v;
        if (v < 1 || v > run.na) {
            con.line("iak value not defined rank=", n, v);
            con.say("please correct the map file");
            con.wait("");
        }
    }
}

void rank_and_check_cells(Run& run, Console& con) {
    const MapHeader& h = run.hdr;
    const int yc = h.ycount, xc = h.xcount;
    auto& g = run.grid;

    // The rank table in the run log, north row first.
    con.say("Grid ranking - highest =1");
    run.log_line(" Grid ranking - highest =1");
    {
        const int w = width_for(std::max(run.na, xc));
        const int km = static_cast<int>(run.al / 1000.0f);
        std::string s(5, ' ');
        for (int j = 1; j <= xc; ++j) put_int(s, j, w);
        run.log_line(s);
        s.assign(5, ' ');
        for (int j = 1; j <= xc; ++j) put_int(s, static_cast<long long>(j) * km, w);
        run.log_line(s);
        if (g.rank.rows() == yc && g.rank.cols() == xc) {
            for (int i = yc; i >= 1; --i) {
                s.clear();
                put_int(s, i, 5);
                const int* r = g.rank.row_data(i);
                for (int j = 0; j < xc; ++j) put_int(s, r[j], w);
                run.log_line(s);
            }
        }
    }

    // Cell checks. Receiving cells always show here (frac_2d 0, next 0).
    auto data = [&](const auto& grid) {
        return grid.rows() == yc && grid.cols() == xc ? grid.values().data() : nullptr;
    };
    const float* p_elev = data(g.elev);
    const float* p_frac = data(g.frac);
    const int* p_river = data(g.river_class);
    const int* p_contours = data(g.contours);
    const int* p_channels = data(g.channels);
    const int* p_next = data(g.next);
    const int* p_rank = data(g.rank);
    auto at = [](const auto* p, std::size_t k) { return p ? p[k] : std::remove_cvref_t<decltype(*p)>{}; };
    bool found = false;
    auto report = [&](const std::string& line) {
        con.say(line);
        run.log_line(line);
        found = true;
    };
    // Findings are rare besides the receiving cells: find them row by row, then
    // report them in cell order.
    auto flagged = [&](std::size_t k) {
        const float frac = at(p_frac, k);
        const int river = at(p_river, k);
        const int channels = at(p_channels, k);
        const int next = at(p_next, k);
        return frac <= 0.0f || river < 1 || river >= 17 || at(p_contours, k) == 0 || channels < 1 ||
               channels >= 6 || next == 0 || at(p_rank, k) >= next;
    };
    std::vector<int> cells_found;
    if (g.rank.rows() == yc && g.rank.cols() == xc) {
        const auto& rank = g.rank.values();
        for (std::size_t k = 0; k < rank.size(); ++k)
            if (rank[k] >= 1 && rank[k] <= run.na && flagged(k)) cells_found.push_back(rank[k]);
    }
    std::sort(cells_found.begin(), cells_found.end());
    for (int n : cells_found) {
        const int i = run.cells.row[n], j = run.cells.col[n];
        const std::size_t k = square_index(run, n);
        const float elev = at(p_elev, k);
        const float frac = at(p_frac, k);
        if (frac <= 0.0f) {
            std::string s = " frac_2d(";
            put_int(s, i, 5);
            put_int(s, j, 5);
            s += ")=";
            field::put_f(s, frac, 10, 3);
            s += " - please check";
            report(s);
        }
        const int river = at(p_river, k);
        if (river < 1 || river >= 17) report(location_line("   Basin # not coded @ grid #", n, i, j, elev));
        if (at(p_contours, k) == 0) report(location_line("# contours not coded @ grid #", n, i, j, elev));
        const int channels = at(p_channels, k);
        if (channels < 1 || channels >= 6) report(location_line("# channels not coded @ grid #", n, i, j, elev));
        const int next = at(p_next, k);
        if (next == 0) {
            report(location_line("       next grid = 0 @ grid #", n, i, j, elev));
            report("Possible cause: wrong drainage direction");
            report("Errors OK if last receiving grid !!!!!!!!!!!!!");
            report("Please see new_format.shd file for -ve slope location");
        }
        const int rank = at(p_rank, k);
        if (rank >= next) {
            std::string s = " receiving grid higher in grid";
            put_int(s, i, 5);
            put_int(s, j, 5);
            put_int(s, rank, 8);
            s += " elv=";
            field::put_f(s, elev, 10, 3);
            report(s);
        }
    }
    if (found) {
        con.say("These can be fatal errors  <<<<<<<<<<<<<<<<<<<<<<<<<<<");
        con.say("Please correct the map file to elliminate these errors");
        con.wait("Hit enter to continue");
    }

    if (run.naa >= run.na) {
        const char* heading[] = {"fatal error - outlet elements have not been", "properly designated",
                                 "set frac of the recieving element = 0",
                                 "elevation of the receiving grid must be > 0.0", "location of outlet:"};
        for (const char* line : heading) {
            con.say(line);
            run.log_line(line);
        }
        if (run.na >= 1) {
            const int i = run.cells.row[1], j = run.cells.col[1];
            const std::string lines[] = {
                words(" grid number  ", at(p_rank, square_index(run, 1))),
                words(" row number   ", i, static_cast<float>(i * h.ydelta + h.yorigin)),
                words(" column number", j, static_cast<float>(j * h.xdelta + h.xorigin))};
            for (const auto& line : lines) {
                con.say(line);
                run.log_line(line);
            }
        } else {
            const char* line = " no grid has an elevation above 0.0 - no grids were numbered";
            con.say(line);
            run.log_line(line);
        }
        stop_lines({" Please see the zel.err file for error messages", " program aborted"});
    }
    if (run.naa == 0) {
        // Only receiving squares were numbered: there is no basin to write.
        const char* line = " no grid of the basin has a fraction above 0 - no basin grids";
        con.say(line);
        run.log_line(line);
        stop_lines({"Please correct the map file: basin squares need an elevation above 0.0",
                    "and a fraction above 0", " program aborted"});
    }

    // Receiving cells drain out of the model.
    if (g.next.rows() == yc && g.next.cols() == xc)
        for (int n = run.naa + 1; n <= run.na; ++n) g.next.values()[square_index(run, n)] = 0;
}

void compute_interflow_slopes(Run& run, Console& con) {
    const auto& contours = run.grid.contours;
    const bool have = contours.rows() == run.hdr.ycount && contours.cols() == run.hdr.xcount;
    if (run.cells.int_slope.size() < static_cast<std::size_t>(run.na) + 1) run.cells.int_slope.assign(run.na + 1, 0.0f);
    for (int n = 1; n <= run.na; ++n) {
        const int count = have ? contours.values()[square_index(run, n)] : 0;
        run.cells.int_slope[n] = run.al > 0.0f ? (count + 0.0001f) * run.hdr.cintv / run.al : 0.0f;
    }
    con.line("na,naa/", run.na, run.naa);
}
