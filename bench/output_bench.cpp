// Output stages benchmark.
//
//   output_bench [SIZE]
//       builds a SIZE x SIZE basin (default 1000) with 8 land-cover classes,
//       runs the network stages untimed, then times every output file: the
//       legacy shd files, new_shd.r2c, the elevation grids, tvo_spec.new,
//       new.pdl, the fraction check, reach locations, the river profiles and
//       the overview picture.
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
#include "network/network.hpp"
#include "network/subwatershed.hpp"
#include "output/outputs.hpp"

namespace {

// Land-cover fractions, fetch, DEM statistics, bankfull and reaches: random
// but fixed values over the basin squares.
void add_attributes(const MapInput& map, LandCover& cover, Fetch& fetch, DemStats& dem,
                    Grid<int>& reach, int nclass) {
    const int size = map.elev.rows();
    cover.classes.assign(static_cast<std::size_t>(nclass), Grid<float>(size, size, 0.0f));
    for (int c = 1; c <= nclass; ++c) cover.class_names.push_back("class" + std::to_string(c));
    cover.bankfull.assign(size, size, 0.0f);
    for (auto& f : fetch) f.assign(size, size, 0.0f);
    dem.mean.assign(size, size, 0.0f);
    dem.max.assign(size, size, 0.0f);
    std::mt19937 rng(7);
    for (int i = 1; i <= size; ++i)
        for (int j = 1; j <= size; ++j) {
            if (map.fraction(i, j) <= 0) continue;
            float left = 1.0f;
            for (int c = 0; c < nclass - 1; ++c) {
                const float share = left * static_cast<float>(rng() % 100) / 100.0f;
                cover.classes[static_cast<std::size_t>(c)](i, j) = share;
                left -= share;
            }
            cover.classes.back()(i, j) = left;
            for (int d = 0; d < 8; ++d)
                fetch[static_cast<std::size_t>(d)](i, j) = static_cast<float>(rng() % 50);
            dem.mean(i, j) = map.elev(i, j) + 0.25f;
            dem.max(i, j) = map.elev(i, j) + 3.5f;
            cover.bankfull(i, j) = static_cast<float>(rng() % 1000) / 7.0f;
            reach(i, j) = static_cast<int>((i + j) / 97);
        }
}

}  // namespace

int main(int argc, char** argv) {
    bench::Setup b;
    bench::set_up(b, argc, argv, 1000, "zel_output_bench");
    if (b.size == 0) return 2;
    const int size = b.size;
    Run& run = b.run;
    MapInput& map = b.basin->map;
    Responses& answers = b.basin->answers;
    answers.initials = "bench";
    answers.map_file = "bench.map";

    bench::StepClock timer;
    auto timed = [&](const char* name, auto&& step) {
        timer.time(step);
        std::printf("%-28s %8.3f s  (cpu %6.3f s)\n", name, timer.wall, timer.cpu);
    };
    try {
        Network net = b.basin->network(run);
        const Outlets outlets = revise_outlets(net, answers, run);
        set_cell_river_classes(net, map.river_class, run);
        rank_and_check_cells(net, map, run);
        const Watershed shed = extract_and_trim(net, outlets, {}, map.hdr, run);
        compute_interflow_slopes(net, map, run);
        LandCover cover;
        Fetch fetch;
        DemStats dem;
        add_attributes(map, cover, fetch, dem, map.reach, 8);
        const NonContributing nca;
        const WrittenBasin written{answers, map, net, cover, fetch, nca, shed, &dem, nullptr, nullptr};
        const LegacyExtents extents = adjust_legacy_extents(shed.window, map.hdr, run);
        LegacyFiles legacy;
        legacy.new_format.open("new_format.shd");
        legacy.old_format.open("old_format.shd");
        legacy.ssdata.open("ssdata.out");
        run.log.open("zel_info.txt");

        timed("legacy shd files", [&] { write_legacy_shd(legacy, written, extents, run); });
        timed("new_shd.r2c", [&] { write_new_shd(written, run); });
        timed("elevation grids", [&] { write_elevation_grids(written, run); });
        timed("tvo_spec.new + new.pdl", [&] {
            write_tvo_spec(written, run);
            write_pdl(written, run);
        });
        timed("fraction check", [&] { check_fractions(written, run); });
        RiverProfiles profiles;
        timed("reaches + profiles", [&] { profiles = write_profiles(written, run); });
        timed("zel_overview.svg", [&] { write_overview(written, profiles, run); });
        std::printf("%-28s %8.3f s  (cpu %6.3f s)   (%d x %d, na = %d)\n", "total", timer.total,
                    timer.total_cpu, size, size, net.na);
    } catch (const Stop& s) {
        for (const auto& l : s.lines) std::printf("%s\n", l.c_str());
        return 1;
    }
    run.outputs.publish();
    std::printf("new_shd.r2c: %.0f MB\n",
                static_cast<double>(std::filesystem::file_size("new_shd.r2c")) / 1e6);
    std::printf("zel_overview.svg: %.0f kB\n",
                static_cast<double>(std::filesystem::file_size("zel_overview.svg")) / 1e3);
    run.error_log.discard();
    return 0;
}
