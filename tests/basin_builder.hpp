#pragma once
// One builder of small basins for the tests and the benchmarks: a map input
// set square by square (or from rows listed north first, as a map file lists
// them), the map file text of the same basin for tests that read or run a
// map file, and the network stages run on it. WrittenProducts adds what the
// writers print, set by hand.
#include <algorithm>
#include <initializer_list>
#include <optional>
#include <random>
#include <sstream>
#include <type_traits>
#include <string>
#include <utility>
#include <vector>

#include "common/d8.hpp"
#include "common/geometry.hpp"
#include "common/parameter_set.hpp"
#include "common/responses.hpp"
#include "mapfile/map_input.hpp"
#include "network/flow_network.hpp"
#include "network/network.hpp"
#include "output/outputs.hpp"

namespace zeltest {

class BasinBuilder {
  public:
    // A UTM grid of `rows` x `cols` squares of `side` metres with `classes`
    // land-cover classes; every block 0, the classes 0 %.
    BasinBuilder(int rows, int cols, float side = 1000.0f, int classes = 1) {
        MapHeader& h = map.hdr;
        h.projection = *parse_map_projection("UTM");
        h.datum1 = "NAD83";
        h.zone = "17";
        h.xcount = cols;
        h.ycount = rows;
        h.xdelta = h.ydelta = side;
        h.cintv = 5;
        h.aimpr = 100;
        h.antype = static_cast<float>(classes);
        h.elvconv = 1;
        h.ntype = classes - 1;
        for (Grid<float>* g : {&map.elev, &map.fraction}) g->assign(rows, cols, 0.0f);
        for (Grid<int>* g : {&map.dir, &map.river_class, &map.contours, &map.channels, &map.reach})
            g->assign(rows, cols, 0);
        map.classes.assign(static_cast<std::size_t>(classes), Grid<float>(rows, cols, 0.0f));
        for (int c = 1; c <= classes; ++c) map.class_names.push_back("class" + std::to_string(c));
        answers.min_slope = 0.0001f;
    }

    // Rows as a map file lists them: the first one is the northernmost.
    template <class T>
    static void put(Grid<T>& g, std::initializer_list<std::initializer_list<T>> north_first) {
        int i = g.rows();
        for (const auto& r : north_first) {
            int j = 1;
            for (T v : r) g(i, j++) = v;
            --i;
        }
    }

    // Directions to the lowest lower neighbour with an elevation above 0 (0
    // where none is lower), for every square with an elevation above 0.
    void steepest_descent() {
        const Grid<float>& e = map.elev;
        for (int i = 1; i <= e.rows(); ++i)
            for (int j = 1; j <= e.cols(); ++j) {
                if (!(e(i, j) > 0.0f)) continue;
                int best = 0;
                float low = e(i, j);
                for (int c = 1; c <= 8; ++c) {
                    const float v = e.at_or(i + d8::kRowStep[c], j + d8::kColStep[c], 0.0f);
                    if (v > 0.0f && v < low) {
                        low = v;
                        best = c;
                    }
                }
                map.dir(i, j) = best;
            }
    }

    // The hand-checked basin: a 5 x 5 grid of 1 km squares with blank edges;
    // nine cells drain to the receiving cell at (1,4). Cell numbers (by
    // elevation, ties south row first) and elevations:
    //   row 4:  1  3  5        9 8 7
    //   row 3:  2  6  8        8 6 5
    //   row 2:  4  7  9        7 5 3
    //   row 1:        10           1
    // next: 1,3 -> 6; 2,4 -> 7; 5 -> 8; 6,7,8 -> 9; 9 -> 10.
    static BasinBuilder hand_checked() {
        BasinBuilder b(5, 5);
        put<float>(b.map.elev, {{0, 0, 0, 0, 0},  //
                                {0, 9, 8, 7, 0},
                                {0, 8, 6, 5, 0},
                                {0, 7, 5, 3, 0},
                                {0, 0, 0, 1, 0}});
        put<float>(b.map.fraction, {{0, 0, 0, 0, 0},  //
                                    {0, 1, 1, 1, 0},
                                    {0, 1, 1, 1, 0},
                                    {0, 1, 1, 1, 0},
                                    {0, 0, 0, 0, 0}});
        put<int>(b.map.dir, {{0, 0, 0, 0, 0},  //
                             {0, 3, 4, 4, 0},
                             {0, 3, 3, 4, 0},
                             {0, 2, 2, 4, 0},
                             {0, 0, 0, 0, 0}});
        return b;
    }

    // A square basin of distinct elevations rising away from the south-west
    // corner, a blank ring of two squares, one receiving square at (2,2) and
    // steepest-descent directions: the benchmark basin of any size.
    static BasinBuilder synthetic(int size, int classes = 1) {
        BasinBuilder b(size, size, 1000.0f, classes);
        MapInput& m = b.map;
        std::mt19937 rng(42);
        std::vector<std::pair<std::uint64_t, int>> order;
        for (int i = 3; i <= size - 2; ++i)
            for (int j = 3; j <= size - 2; ++j)
                order.push_back(
                    {(static_cast<std::uint64_t>(i + j) << 32) | rng(), (i - 1) * size + (j - 1)});
        std::sort(order.begin(), order.end());
        for (std::size_t k = 0; k < order.size(); ++k)
            m.elev.values()[static_cast<std::size_t>(order[k].second)] = static_cast<float>(k + 2);
        for (int i = 3; i <= size - 2; ++i)
            for (int j = 3; j <= size - 2; ++j) m.fraction(i, j) = 1;
        m.elev(2, 2) = 1;  // the receiving square, fraction 0
        b.steepest_descent();
        m.river_class.fill(1);
        m.contours.fill(2);
        m.channels.fill(1);
        m.hdr.cintv = 10;
        for (auto& c : m.classes) c.fill(100.0f / static_cast<float>(classes));
        return b;
    }

    // The network stages up to the slopes: cell areas, numbering, drainage
    // areas, downstream cells; with `nca` in use its contributing areas.
    Network network(Run& run, const NonContributing& nca = {}) const {
        CellAreas areas = compute_cell_areas(map.hdr, map.fraction);
        Network net = number_cells(map, std::move(areas), nca, run);
        compute_slopes(net, map, clamp_min_slope(answers.min_slope), run);
        return net;
    }

    // The map file of this basin: header, blocks 1-7 (fractions in percent),
    // the class blocks, and no bankfull block.
    std::string map_text() const {
        const MapHeader& h = map.hdr;
        std::ostringstream s;
        s << "#########\n:FileType map ASCII EnSim 1.0\n# test basin\n"
          << ":Projection " << h.projection.text << "\n:Ellipsoid " << h.datum1 << "\n:Zone "
          << h.zone << "\n:xOrigin " << h.xorigin << "\n:yOrigin " << h.yorigin << "\n:xCount "
          << h.xcount << "\n:yCount " << h.ycount << "\n:xDelta " << h.xdelta << "\n:yDelta "
          << h.ydelta << "\n:contourInterval " << h.cintv << "\n:imperviousArea " << h.aimpr
          << "\n:classCount " << map.classes.size() << "\n:elevConversion 1\n:endHeader\n";
        block(s, "elevation", map.elev, 1.0f);
        block(s, "fraction (%)", map.fraction, 100.0f);
        block(s, "drainage direction", map.dir);
        block(s, "river class", map.river_class);
        block(s, "contours", map.contours);
        block(s, "channels", map.channels);
        block(s, "reach", map.reach);
        for (std::size_t c = 0; c < map.classes.size(); ++c) {
            s << map.class_names[c] << "\n";
            for (int i = h.ycount; i >= 1; --i) {
                for (int j = 1; j <= h.xcount; ++j)
                    s << (j > 1 ? " " : "") << static_cast<int>(map.classes[c](i, j));
                s << "\n";
            }
        }
        return s.str();
    }

    MapInput map;
    Responses answers;

  private:
    template <class T>
    static void block(std::ostringstream& s, const char* title, const Grid<T>& g, float scale = 1) {
        s << title << "\n";
        for (int i = g.rows(); i >= 1; --i) {
            for (int j = 1; j <= g.cols(); ++j) {
                s << (j > 1 ? " " : "");
                if constexpr (std::is_same_v<T, float>)
                    s << g(i, j) * scale;
                else
                    s << g(i, j);
            }
            s << "\n";
        }
    }
};

// A cell set by hand: its square and the number of its downstream cell (0
// for a receiving cell).
struct CellSpec {
    int row, col, next;
};

// The products a writer reads, bare: each test sets what it needs.
struct BareProducts {
    WrittenBasin written(const DemStats* dem = nullptr) const {
        return {answers, map, net, cover, fetch, nca, shed, dem};
    }

    Responses answers;
    MapInput map;
    Network net;
    LandCover cover;
    Fetch fetch;
    NonContributing nca;
    Watershed shed;
};

// Nine cells on a 5 x 6 grid: main stem 1 -> 3 -> 5 -> 7 -> 8 -> 9 (9 the
// receiving cell), branch 2 -> 4 -> 5, and 6 -> 8.
inline std::vector<CellSpec> stem_cells() {
    return {{4, 2, 3}, {2, 2, 4}, {4, 3, 5}, {2, 3, 5}, {3, 3, 7},
            {4, 5, 8}, {3, 4, 8}, {3, 5, 9}, {3, 6, 0}};
}

// A basin as the writers see it: the map and answers of a BasinBuilder and
// the products of the stages, set by hand (or taken from the stages). Land
// cover, bankfull and fetch cover the grid, all 0; there are no
// non-contributing areas, DEM statistics or parameter file until a test sets
// them. The written window is the whole grid.
struct WrittenProducts {
    explicit WrittenProducts(BasinBuilder b) : basin(std::move(b)) {
        const MapHeader& h = basin.map.hdr;
        const int rows = h.ycount, cols = h.xcount;
        basin.answers.initials = "JQ";
        basin.answers.map_file = "zelm.map";
        net.areas.al = nominal_side(h);
        for (Grid<float>* g : {&net.areas.cell_area, &net.areas.frac, &net.da, &net.contrib_da,
                               &net.slope, &net.channel_length, &cover.bankfull})
            g->assign(rows, cols, 0.0f);
        net.rank.assign(rows, cols, 0);
        net.next.assign(rows, cols, 0);
        cover.classes.assign(basin.map.classes.size(), Grid<float>(rows, cols, 0.0f));
        cover.class_names = basin.map.class_names;
        for (auto& f : fetch) f.assign(rows, cols, 0.0f);
        shed.rank = net.rank;
        shed.next = net.next;
        trim(0, 0, 0, 0);
    }

    // Cells numbered 1.. in the order given, the last `receiving` of them
    // receiving cells. Cell n lies at elevation 100 - 10 n on a square of
    // 1 km2 wholly in the basin (a receiving cell: none of it), river class 1.
    // The written watershed holds them all, numbered alike, with the basin's
    // last cell as its outlet.
    void set_cells(const std::vector<CellSpec>& cells, int receiving) {
        const int na = static_cast<int>(cells.size());
        const auto size = static_cast<std::size_t>(na) + 1;
        net.na = na;
        net.naa = na - receiving;
        net.row.assign(size, 0);
        net.col.assign(size, 0);
        net.iak.assign(size, 1);
        net.int_slope.assign(size, 0.0f);
        for (int n = 1; n <= na; ++n) {
            const CellSpec& c = cells[static_cast<std::size_t>(n - 1)];
            net.row[static_cast<std::size_t>(n)] = c.row;
            net.col[static_cast<std::size_t>(n)] = c.col;
            net.rank(c.row, c.col) = n;
            net.next(c.row, c.col) = c.next;
            basin.map.elev(c.row, c.col) = 100.0f - 10.0f * static_cast<float>(n);
            net.areas.cell_area(c.row, c.col) = 1.0e6f;
            net.areas.frac(c.row, c.col) = n > net.naa ? 0.0f : 1.0e6f;
        }
        shed.rank = net.rank;
        shed.next = net.next;
        shed.old_number.resize(size);
        for (int n = 0; n <= na; ++n) shed.old_number[static_cast<std::size_t>(n)] = n;
        shed.cells = na;
        shed.receiving = receiving;
        shed.lastgrid.assign(1, na);
    }

    // The written window: rows and columns removed on each side, the origin
    // shifted with them.
    void trim(int south, int north, int west, int east) {
        const MapHeader& h = basin.map.hdr;
        Window& w = shed.window;
        w.south = south;
        w.north = north;
        w.west = west;
        w.east = east;
        w.rows = h.ycount - south - north;
        w.cols = h.xcount - west - east;
        w.xorigin = h.xorigin + static_cast<float>(west) * h.xdelta;
        w.yorigin = h.yorigin + static_cast<float>(south) * h.ydelta;
    }

    // The view the writers take; valid while this object stays where it is.
    WrittenBasin written() const {
        return {basin.answers, basin.map, net, cover, fetch, nca, shed,
                dem ? &*dem : nullptr, par ? &*par : nullptr, &par_file};
    }

    BasinBuilder basin;
    Network net;
    LandCover cover;
    Fetch fetch;
    NonContributing nca;
    Watershed shed;
    std::optional<DemStats> dem;
    std::optional<ParameterSet> par;
    std::string par_file = "basin_par.csv";
};

}  // namespace zeltest
