#pragma once
// One builder of small basins for the tests and the benchmarks: a map input
// set square by square (or from rows listed north first, as a map file lists
// them), the map file text of the same basin for tests that read or run a
// map file, and the network stages run on it.
#include <algorithm>
#include <initializer_list>
#include <random>
#include <sstream>
#include <type_traits>
#include <string>
#include <utility>
#include <vector>

#include "common/d8.hpp"
#include "common/responses.hpp"
#include "mapfile/map_input.hpp"
#include "network/flow_network.hpp"
#include "network/network.hpp"

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

}  // namespace zeltest
