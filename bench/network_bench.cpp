// Network stages benchmark.
//
//   network_bench [SIZE]
//       builds a SIZE x SIZE basin (default 2000) of distinct elevations with a
//       blank edge, drainage directions to the lowest neighbour and one
//       receiving square, then times each network stage (areas, numbering and
//       drainage areas, slopes, river classes, rank table and cell checks,
//       extraction and trimming, interflow slopes, blanking) and the total.
//       Console and run-log text is formatted but not written.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "network/flow_network.hpp"
#include "network/subwatershed.hpp"

namespace {

void make_basin(Run& run, int size) {
    run.hdr.projection = "UTM";
    run.hdr.xcount = run.hdr.ycount = size;
    run.hdr.xdelta = run.hdr.ydelta = 1000;
    run.hdr.cintv = 10;
    auto& g = run.grid;
    for (auto* f : {&g.elev, &g.frac, &g.bankfull, &g.cell_area, &g.da, &g.slope, &g.channel_length})
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
            order.push_back({(static_cast<std::uint64_t>(i + j) << 32) | rng(), (i - 1) * size + (j - 1)});
    std::sort(order.begin(), order.end());
    for (std::size_t k = 0; k < order.size(); ++k) g.elev.values()[order[k].second] = static_cast<float>(k + 2);
    for (int i = 3; i <= size - 2; ++i)
        for (int j = 3; j <= size - 2; ++j) g.frac(i, j) = 1;
    g.elev(2, 2) = 1;  // the receiving square, frac 0

    static constexpr int dr[9] = {0, 1, 0, -1, -1, -1, 0, 1, 1};
    static constexpr int dc[9] = {0, 1, 1, 1, 0, -1, -1, -1, 0};
    for (int i = 3; i <= size - 2; ++i)
        for (int j = 3; j <= size - 2; ++j) {
            int best = 0;
            float low = g.elev(i, j);
            for (int c = 1; c <= 8; ++c) {
                const float e = g.elev(i + dr[c], j + dc[c]);
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

}  // namespace

int main(int argc, char** argv) {
    const int size = argc > 1 ? std::atoi(argv[1]) : 2000;
    if (size < 8) {
        std::fprintf(stderr, "size must be 8 or more\n");
        return 2;
    }
    // Drainage errors would create fort.39: work in a scratch folder.
    const auto scratch = std::filesystem::temp_directory_path() / "zel_network_bench";
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);

    auto run = std::make_unique<Run>();
    make_basin(*run, size);
    std::istringstream in;
    std::ostringstream out;
    Console con(in, out);

    using clock = std::chrono::steady_clock;
    double total = 0, total_cpu = 0;
    std::printf("%-28s %10s %10s\n", "step", "wall", "processor");
    auto timed = [&](const char* name, auto&& step) {
        const auto t0 = clock::now();
        const std::clock_t c0 = std::clock();
        step();
        const double s = std::chrono::duration<double>(clock::now() - t0).count();
        const double c = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        total += s;
        total_cpu += c;
        std::printf("%-28s %8.3f s %8.3f s\n", name, s, c);
    };
    try {
        timed("cell areas", [&] {
            clamp_min_slope(*run);
            compute_cell_areas(*run, con);
        });
        timed("numbering + drainage areas", [&] { number_cells(*run, con); });
        timed("slopes", [&] { compute_slopes(*run, con); });
        timed("outlets + river classes", [&] {
            revise_outlets(*run, con);
            set_cell_river_classes(*run, con);
        });
        timed("rank table + cell checks", [&] { rank_and_check_cells(*run, con); });
        timed("extraction + trimming", [&] { extract_and_trim(*run, con); });
        timed("interflow slopes", [&] { compute_interflow_slopes(*run, con); });
        timed("blanking + extents", [&] {
            blank_outside_watershed(*run);
            adjust_legacy_extents(*run, con);
        });
    } catch (const Stop& s) {
        for (const auto& l : s.lines) std::printf("%s\n", l.c_str());
        return 1;
    }
    std::printf("%-28s %8.3f s %8.3f s   (%d x %d, na = %d, errors = %d)\n", "total", total, total_cpu, size, size,
                run->na, run->errors);
    run->error_log.discard();
    return 0;
}
