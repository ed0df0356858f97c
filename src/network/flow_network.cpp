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
#include "common/geometry.hpp"
#include "common/run.hpp"
#include "mapfile/map_input.hpp"
#include "common/stop.hpp"
#include "common/field_format.hpp"
#include "common/pieces.hpp"
#include "network/flow_internal.hpp"
#include "network/network.hpp"

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

}  // namespace flow

namespace {

constexpr float kSlopeFloor = 1.0e-7f;  // the smallest slope a cell keeps
constexpr float kSlopeCeiling = 1.0f;   // the largest minimum slope (45 degrees)
// Cell checks: river classes from this number up, and channel counts from
// this number up, are not coded.
constexpr int kRiverClassLimit = 17;
constexpr int kChannelLimit = 6;

// Drainage area in km2 accumulated down the network from `area` (m2), cells
// 1..naa in number order, each taking its upstream neighbours in a fixed order.
void accumulate(const Network& net, const Grid<int>& direction, Console& con,
                const Grid<float>& area, Grid<float>& da, bool warn) {
    const int yc = net.rank.rows(), xc = net.rank.cols();
    const auto& dir = direction.values();
    auto& d = da.values();
    const auto& a = area.values();
    // The neighbour that drains into the cell with code c lies one step
    // against c: SW with 1, W with 2, NW with 3, N 4, NE 5, E 6, SE 7, S 8.
    const long long stride = xc;
    for (int n = 1; n <= net.naa; ++n) {
        const int i = net.row[n], j = net.col[n];
        const std::size_t k = net.square(n);
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

float clamp_min_slope(float answer) {
    float s = answer;
    if (!(s >= kSlopeFloor)) s = kSlopeFloor;  // NaN included
    if (s > kSlopeCeiling) s = kSlopeCeiling;
    return s;
}

CellAreas compute_cell_areas(const MapHeader& hdr, Grid<float> fraction) {
    const int yc = hdr.ycount, xc = hdr.xcount;
    CellAreas a;
    a.cell_area.assign(yc, xc);
    for (int i = 1; i <= yc; ++i) std::fill_n(a.cell_area.row_data(i), xc, square_area(hdr, i));
    a.al = nominal_side(hdr);
    const CentreSquare centre = centre_square_km(hdr);
    a.center_dx_km = centre.dx_km;
    a.center_dy_km = centre.dy_km;
    // frac_2d: the fraction of each square becomes its surface in the basin.
    a.frac = std::move(fraction);
    auto& frac = a.frac.values();
    const auto& area = a.cell_area.values();
    for (std::size_t k = 0; k < area.size() && k < frac.size(); ++k) frac[k] *= area[k];
    return a;
}

Network number_cells(const MapInput& input, CellAreas areas, const NonContributing& nca, Run& run) {
    const int yc = input.hdr.ycount, xc = input.hdr.xcount;
    Network net;
    net.areas = std::move(areas);
    net.rank.assign(yc, xc, 0);

    const std::vector<std::uint32_t> order = flow::numbering_order(input.elev);
    const int na = static_cast<int>(order.size());
    try {
        const std::size_t size = static_cast<std::size_t>(na) + 1;
        assign_big(net.row, size, 0);
        assign_big(net.col, size, 0);
        assign_big(net.iak, size, 0);
        assign_big(net.int_slope, size, 0.0f);
    } catch (const std::bad_alloc&) {
        stop("Error with allocation of area4 arrays in zel");
    }

    auto& rank = net.rank.values();
    const auto& frac = net.areas.frac.values();
    int receiving = 0;
    for (int n = 1; n <= na; ++n) {
        const std::uint32_t k = order[n - 1];
        rank[k] = n;
        net.row[n] = static_cast<int>(k / static_cast<std::uint32_t>(xc)) + 1;
        net.col[n] = static_cast<int>(k % static_cast<std::uint32_t>(xc)) + 1;
        if (frac[k] <= 0.0f) ++receiving;
    }
    net.na = na;
    net.naa = na - receiving;

    // A direction code outside 0..8 is followed as code 1 everywhere, so name
    // such squares: the map probably holds a typing error there.
    const auto& dir = input.dir.values();
    for (int n = 1; n <= net.naa; ++n) {
        const int code = dir[net.square(n)];
        if (code < 0 || code > 8) {
            std::string s = " drainage direction code";
            put_int(s, code, 6);
            s += " @ grid #";
            put_int(s, n, 8);
            s += " @ ";
            put_int(s, net.row[n], 5);
            put_int(s, net.col[n], 5);
            s += " taken as 1 (north-east)";
            run.log_line(s);
        }
    }

    net.da.assign(yc, xc, 0.0f);
    accumulate(net, input.dir, run.con, net.areas.frac, net.da, true);
    if (nca.in_use) {
        net.contrib_da.assign(yc, xc, 0.0f);
        accumulate(net, input.dir, run.con, nca.contrib_area, net.contrib_da, false);
    }
    return net;
}

void compute_slopes(Network& net, const MapInput& input, float min_slope, Run& run) {
    const int yc = net.rank.rows(), xc = net.rank.cols();
    net.slope.assign(yc, xc, 0.0f);
    net.next.assign(yc, xc, 0);
    // The channel length of a square without a direction is its own side.
    net.channel_length.assign(yc, xc, 0.0f);
    for (std::size_t k = 0; k < net.channel_length.size(); ++k)
        net.channel_length.values()[k] = std::sqrt(net.areas.cell_area.values()[k]);

    const auto& elev = input.elev.values();
    const auto& dir = input.dir.values();
    const auto& rank = net.rank.values();
    auto& next = net.next.values();
    auto& slope = net.slope.values();
    auto& len = net.channel_length.values();
    const float straight = net.areas.al;
    const float diagonal = d8::kDiagonalFactor * net.areas.al;

    // Each cell depends only on its own square and the ranks around it, so the
    // grid is walked row by row; the drainage errors are logged in cell order.
    std::vector<int> errors;
    for (int i = 1; i <= yc; ++i) {
        for (int j = 1; j <= xc; ++j) {
            const std::size_t k = static_cast<std::size_t>(i - 1) * xc + static_cast<std::size_t>(j - 1);
            const int n = rank[k];
            if (n < 1 || n > net.naa) continue;
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
            if (sl < min_slope) sl = min_slope;
            slope[k] = sl;
            if (next[k] <= n) errors.push_back(n);
        }
    }
    std::sort(errors.begin(), errors.end());

    for (int n : errors) {
        const std::size_t k = net.square(n);
        ++net.errors;
        std::string loc = " please fix - location n,row,col,next(i,j)/";
        put_int(loc, n, 5);
        put_int(loc, net.row[n], 5);
        put_int(loc, net.col[n], 5);
        put_int(loc, next[k], 5);
        if (!run.error_log.is_open() && !run.dry) {
            if (run.error_log.open("fort.39")) {
                run.error_log.line(" ERROR: grid does not drain to lower grid");
                run.error_log.line(" next(i,j) set to n+1 <<<<<<FIX FIX FIX");
            } else {
                run.con.say("Unable to create the drainage error log fort.39");
            }
        }
        if (run.error_log.is_open()) run.error_log.line(loc);
        next[k] = n + 1;
        slope[k] = -slope[k];
    }
}

void set_cell_river_classes(Network& net, const Grid<int>& river_class, Run& run) {
    for (int n = 1; n <= net.naa; ++n) {
        const int v = river_class.values()[net.square(n)];
        net.iak[n] = v;
        if (v < 1 || v > net.na) {
            run.con.line("iak value not defined rank=", n, v);
            run.con.say("please correct the map file");
            run.con.wait("");
        }
    }
}

namespace {

// The run-log table of ranks, north row first, under column numbers and the
// columns' km coordinates.
void log_rank_table(const Network& net, Run& run) {
    const Grid<int>& rank = net.rank;
    const int xc = rank.cols();
    run.con.say("Grid ranking - highest =1");
    run.log_line(" Grid ranking - highest =1");
    const int w = width_for(std::max(net.na, xc));
    const int km = static_cast<int>(net.areas.al / 1000.0f);
    std::string s(5, ' ');
    for (int j = 1; j <= xc; ++j) put_int(s, j, w);
    run.log_line(s);
    s.assign(5, ' ');
    for (int j = 1; j <= xc; ++j) put_int(s, static_cast<long long>(j) * km, w);
    run.log_line(s);
    const int rows = rank.rows();
    rows_in_order(run.log, static_cast<std::size_t>(rows),
                  rows_per_piece(static_cast<std::size_t>(xc) * static_cast<std::size_t>(w)),
                  [&](std::size_t first, std::size_t last, std::string& out) {
                      for (std::size_t pos = first; pos <= last; ++pos) {
                          const int i = rows - static_cast<int>(pos);
                          put_int(out, i, 5);
                          const int* r = rank.row_data(i);
                          for (int j = 0; j < xc; ++j) put_int(out, r[j], w);
                          out.push_back('\n');
                      }
                  });
}

// The cell checks, in cell order; true when anything was found. Receiving
// cells always show here (frac_2d 0, next 0).
bool check_cells(const Network& net, const MapInput& input, Run& run) {
    const auto& elev = input.elev.values();
    const auto& frac = net.areas.frac.values();
    const auto& river = input.river_class.values();
    const auto& contours = input.contours.values();
    const auto& channels = input.channels.values();
    const auto& next = net.next.values();
    const auto& rank = net.rank.values();
    bool found = false;
    auto report = [&](const std::string& line) {
        run.con.say(line);
        run.log_line(line);
        found = true;
    };
    auto river_uncoded = [](int c) { return c < 1 || c >= kRiverClassLimit; };
    auto channels_uncoded = [](int c) { return c < 1 || c >= kChannelLimit; };
    // Findings are rare besides the receiving cells: find them square by
    // square, then report them in cell order.
    std::vector<int> cells_found;
    for (std::size_t k = 0; k < rank.size(); ++k) {
        if (rank[k] < 1 || rank[k] > net.na) continue;
        if (frac[k] <= 0.0f || river_uncoded(river[k]) || contours[k] == 0 ||
            channels_uncoded(channels[k]) || next[k] == 0 || rank[k] >= next[k])
            cells_found.push_back(rank[k]);
    }
    std::sort(cells_found.begin(), cells_found.end());
    for (int n : cells_found) {
        const int i = net.row[n], j = net.col[n];
        const std::size_t k = net.square(n);
        if (frac[k] <= 0.0f) {
            std::string s = " frac_2d(";
            put_int(s, i, 5);
            put_int(s, j, 5);
            s += ")=";
            field::put_f(s, frac[k], 10, 3);
            s += " - please check";
            report(s);
        }
        if (river_uncoded(river[k]))
            report(location_line("   Basin # not coded @ grid #", n, i, j, elev[k]));
        if (contours[k] == 0) report(location_line("# contours not coded @ grid #", n, i, j, elev[k]));
        if (channels_uncoded(channels[k]))
            report(location_line("# channels not coded @ grid #", n, i, j, elev[k]));
        if (next[k] == 0) {
            report(location_line("       next grid = 0 @ grid #", n, i, j, elev[k]));
            report("Possible cause: wrong drainage direction");
            report("Errors OK if last receiving grid !!!!!!!!!!!!!");
            report("Please see new_format.shd file for -ve slope location");
        }
        if (rank[k] >= next[k]) {
            std::string s = " receiving grid higher in grid";
            put_int(s, i, 5);
            put_int(s, j, 5);
            put_int(s, rank[k], 8);
            s += " elv=";
            field::put_f(s, elev[k], 10, 3);
            report(s);
        }
    }
    return found;
}

// A map without a receiving cell, or without a basin cell, cannot be modelled.
void stop_without_receiving_or_basin_cells(const Network& net, const MapHeader& h, Run& run) {
    auto both = [&](const std::string& line) {
        run.con.say(line);
        run.log_line(line);
    };
    if (net.naa >= net.na) {
        for (const char* line : {"fatal error - outlet elements have not been", "properly designated",
                                 "set frac of the recieving element = 0",
                                 "elevation of the receiving grid must be > 0.0", "location of outlet:"})
            both(line);
        if (net.na >= 1) {
            const int i = net.row[1], j = net.col[1];
            both(words(" grid number  ", net.rank.values()[net.square(1)]));
            both(words(" row number   ", i, static_cast<float>(i * h.ydelta + h.yorigin)));
            both(words(" column number", j, static_cast<float>(j * h.xdelta + h.xorigin)));
        } else {
            both(" no grid has an elevation above 0.0 - no grids were numbered");
        }
        stop_lines({" Please see the zel.err file for error messages", " program aborted"});
    }
    if (net.naa == 0) {
        // Only receiving squares were numbered: there is no basin to write.
        both(" no grid of the basin has a fraction above 0 - no basin grids");
        stop_lines({"Please correct the map file: basin squares need an elevation above 0.0",
                    "and a fraction above 0", " program aborted"});
    }
}

}  // namespace

void rank_and_check_cells(Network& net, const MapInput& input, Run& run) {
    log_rank_table(net, run);
    if (check_cells(net, input, run)) {
        run.con.say("These can be fatal errors  <<<<<<<<<<<<<<<<<<<<<<<<<<<");
        run.con.say("Please correct the map file to elliminate these errors");
        run.con.wait("Hit enter to continue");
    }
    stop_without_receiving_or_basin_cells(net, input.hdr, run);
    // Receiving cells drain out of the model.
    for (int n = net.naa + 1; n <= net.na; ++n) net.next.values()[net.square(n)] = 0;
}

void compute_interflow_slopes(Network& net, const MapInput& input, Run& run) {
    const auto& contours = input.contours.values();
    const float al = net.areas.al;
    for (int n = 1; n <= net.na; ++n) {
        const int count = contours[net.square(n)];
        net.int_slope[n] = al > 0.0f ? (count + 0.0001f) * input.hdr.cintv / al : 0.0f;
    }
    run.con.line("na,naa/", net.na, net.naa);
}
