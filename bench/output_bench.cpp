// Output stages benchmark.
//
//   output_bench [SIZE]
//       builds a SIZE x SIZE basin (default 1000) with 8 land-cover classes,
//       runs the network stages untimed, then times every output file: the
//       legacy shd files, new_shd.r2c, the elevation grids, tvo_spec.new,
//       new.pdl, the fraction check, reach locations and the river profiles.
//       Files are written in a scratch folder.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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
#include "output/outputs.hpp"

namespace {

void make_basin(Run& run, int size) {
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

void add_attributes(Run& run, int size, int nclass) {
    auto& g = run.grid;
    run.hdr.ntype = nclass - 1;
    run.hdr.elvconv = 1;
    g.classes.assign(static_cast<std::size_t>(nclass), Grid<float>(size, size, 0.0f));
    for (int c = 1; c <= nclass; ++c) g.class_names.push_back("class" + std::to_string(c));
    for (auto& f : g.fetch) f.assign(size, size, 0.0f);
    g.dem_mean.assign(size, size, 0.0f);
    g.dem_max.assign(size, size, 0.0f);
    std::mt19937 rng(7);
    for (int i = 1; i <= size; ++i)
        for (int j = 1; j <= size; ++j) {
            if (g.frac(i, j) <= 0) continue;
            float left = 1.0f;
            for (int c = 0; c < nclass - 1; ++c) {
                const float share = left * static_cast<float>(rng() % 100) / 100.0f;
                g.classes[static_cast<std::size_t>(c)](i, j) = share;
                left -= share;
            }
            g.classes.back()(i, j) = left;
            for (int d = 0; d < 8; ++d)
                g.fetch[static_cast<std::size_t>(d)](i, j) = static_cast<float>(rng() % 50);
            g.dem_mean(i, j) = g.elev(i, j) + 0.25f;
            g.dem_max(i, j) = g.elev(i, j) + 3.5f;
            g.bankfull(i, j) = static_cast<float>(rng() % 1000) / 7.0f;
            g.reach(i, j) = static_cast<int>((i + j) / 97);
        }
    run.dem_done = true;
    run.answers.initials = "bench";
    run.answers.map_file = "bench.map";
}

}  // namespace

int main(int argc, char** argv) {
    const int size = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (size < 8) {
        std::fprintf(stderr, "size must be 8 or more\n");
        return 2;
    }
    const auto scratch = std::filesystem::temp_directory_path() / "zel_output_bench";
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);

    auto run = std::make_unique<Run>();
    make_basin(*run, size);
    std::istringstream in;
    std::ostringstream out;
    Console con(in, out);

    using clock = std::chrono::steady_clock;
    double total = 0, total_cpu = 0;
    auto timed = [&](const char* name, auto&& step) {
        const auto t0 = clock::now();
        const std::clock_t c0 = std::clock();
        step();
        const double s = std::chrono::duration<double>(clock::now() - t0).count();
        const double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        total += s;
        total_cpu += cpu;
        std::printf("%-28s %8.3f s  (cpu %6.3f s)\n", name, s, cpu);
    };
    try {
        clamp_min_slope(*run);
        compute_cell_areas(*run, con);
        number_cells(*run, con);
        compute_slopes(*run, con);
        revise_outlets(*run, con);
        set_cell_river_classes(*run, con);
        rank_and_check_cells(*run, con);
        extract_and_trim(*run, con);
        compute_interflow_slopes(*run, con);
        add_attributes(*run, size, 8);
        blank_outside_watershed(*run);
        adjust_legacy_extents(*run, con);
        run->new_format_shd.open("new_format.shd");
        run->old_format_shd.open("old_format.shd");
        run->ssdata.open("ssdata.out");
        run->log.open("zel_info.txt");

        timed("legacy shd files", [&] { write_legacy_shd(*run, con); });
        timed("new_shd.r2c", [&] { write_new_shd(*run, con); });
        timed("elevation grids", [&] { write_elevation_grids(*run, con); });
        timed("tvo_spec.new + new.pdl", [&] {
            write_tvo_spec(*run, con);
            write_pdl(*run, con);
        });
        timed("fraction check", [&] { check_fractions(*run, con); });
        timed("reaches + profiles", [&] { write_profiles(*run, con); });
    } catch (const Stop& s) {
        for (const auto& l : s.lines) std::printf("%s\n", l.c_str());
        return 1;
    }
    std::printf("%-28s %8.3f s  (cpu %6.3f s)   (%d x %d, na = %d)\n", "total", total, total_cpu,
                size, size, run->na);
    std::printf("new_shd.r2c: %.0f MB\n",
                static_cast<double>(std::filesystem::file_size("new_shd.r2c")) / 1e6);
    run->error_log.discard();
    return 0;
}
