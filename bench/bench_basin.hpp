#pragma once
// What the stage benchmarks share: the SIZE argument, a scratch folder, a
// synthetic basin and a step clock.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/console.hpp"
#include "common/d8.hpp"
#include "common/run.hpp"

namespace bench {

// The SIZE argument, or `fallback` without one; 0 (after saying so) when it is
// too small for a basin with a blank edge.
inline int size_arg(int argc, char** argv, int fallback) {
    const int size = argc > 1 ? std::atoi(argv[1]) : fallback;
    if (size < 8) {
        std::fprintf(stderr, "size must be 8 or more\n");
        return 0;
    }
    return size;
}

// Work in a scratch folder of this name under the temporary folder, so that
// the files written (or drainage error files) land there.
inline void enter_scratch(const std::string& name) {
    const auto scratch = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);
}

// A size x size basin of distinct elevations with a blank edge, drainage
// directions to the lowest neighbour and one receiving square at (2,2).
inline void make_basin(Run& run, int size) {
    run.hdr.projection = "UTM";
    run.hdr.xcount = run.hdr.ycount = size;
    run.hdr.xdelta = run.hdr.ydelta = 1000;
    run.hdr.cintv = 10;
    auto& g = run.grid;
    for (auto* f :
         {&g.elev, &g.frac, &g.bankfull, &g.cell_area, &g.da, &g.slope, &g.channel_length})
        f->assign(size, size);
    for (auto* n : {&g.dir, &g.river_class, &g.contours, &g.channels, &g.reach, &g.rank, &g.next})
        n->assign(size, size);

    // Distinct elevations rising away from the south-west corner: squares are
    // ordered by row + column with a random tie-break, and the position in that
    // order is the elevation (whole numbers, exact in single precision).
    std::mt19937 rng(42);
    std::vector<std::pair<std::uint64_t, int>> order;
    for (int i = 3; i <= size - 2; ++i)
        for (int j = 3; j <= size - 2; ++j)
            order.push_back(
                {(static_cast<std::uint64_t>(i + j) << 32) | rng(), (i - 1) * size + (j - 1)});
    std::sort(order.begin(), order.end());
    for (std::size_t k = 0; k < order.size(); ++k)
        g.elev.values()[order[k].second] = static_cast<float>(k + 2);
    for (int i = 3; i <= size - 2; ++i)
        for (int j = 3; j <= size - 2; ++j) g.frac(i, j) = 1;
    g.elev(2, 2) = 1;  // the receiving square, frac 0

    for (int i = 3; i <= size - 2; ++i)
        for (int j = 3; j <= size - 2; ++j) {
            int best = 0;
            float low = g.elev(i, j);
            for (int c = 1; c <= 8; ++c) {
                const float e = g.elev(i + d8::kRowStep[c], j + d8::kColStep[c]);
                if (e > 0 && e < low) {
                    low = e;
                    best = c;
                }
            }
            g.dir(i, j) = best;
        }
    g.river_class.fill(1);
    g.contours.fill(2);
    g.channels.fill(1);
    run.answers.min_slope = 0.0001f;
}

// Wall and processor seconds of the steps timed, one by one and in total.
struct StepClock {
    double wall = 0, cpu = 0;         // the last step
    double total = 0, total_cpu = 0;  // all steps so far

    template <class F>
    void time(F&& step) {
        const auto t0 = std::chrono::steady_clock::now();
        const std::clock_t c0 = std::clock();
        step();
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        total += wall;
        total_cpu += cpu;
    }
};

// A synthetic basin in a scratch folder, with a console that stays silent.
struct Setup {
    int size = 0;  // 0: the size argument was bad
    std::unique_ptr<Run> run = std::make_unique<Run>();
    std::istringstream in;
    std::ostringstream out;
    Console con{in, out};
};
inline void set_up(Setup& b, int argc, char** argv, int fallback, const std::string& scratch) {
    b.size = size_arg(argc, argv, fallback);
    if (b.size == 0) return;
    enter_scratch(scratch);
    make_basin(*b.run, b.size);
}

}  // namespace bench
