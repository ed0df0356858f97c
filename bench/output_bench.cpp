// Output stages benchmark.
//
//   output_bench [SIZE]
//       builds a SIZE x SIZE basin (default 1000) with 8 land-cover classes,
//       runs the network stages untimed, then times every output file: the
//       legacy shd files, new_shd.r2c, the elevation grids, tvo_spec.new,
//       new.pdl, the fraction check, reach locations and the river profiles.
//       Files are written in a scratch folder.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "bench_basin.hpp"
#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "network/flow_network.hpp"
#include "network/subwatershed.hpp"
#include "output/outputs.hpp"

namespace {

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
    bench::Setup b;
    bench::set_up(b, argc, argv, 1000, "zel_output_bench");
    if (b.size == 0) return 2;
    const int size = b.size;
    auto& run = b.run;
    Console& con = b.con;

    bench::StepClock timer;
    auto timed = [&](const char* name, auto&& step) {
        timer.time(step);
        std::printf("%-28s %8.3f s  (cpu %6.3f s)\n", name, timer.wall, timer.cpu);
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
    std::printf("%-28s %8.3f s  (cpu %6.3f s)   (%d x %d, na = %d)\n", "total", timer.total,
                timer.total_cpu, size, size, run->na);
    std::printf("new_shd.r2c: %.0f MB\n",
                static_cast<double>(std::filesystem::file_size("new_shd.r2c")) / 1e6);
    run->error_log.discard();
    return 0;
}
