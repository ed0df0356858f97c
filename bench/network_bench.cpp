// Network stages benchmark.
//
//   network_bench [SIZE]
//       builds a SIZE x SIZE basin (default 2000) of distinct elevations with a
//       blank edge, drainage directions to the lowest neighbour and one
//       receiving square, then times each network stage (areas, numbering and
//       drainage areas, slopes, river classes, rank table and cell checks,
//       extraction and trimming, interflow slopes, extents) and the total.
//       Console and run-log text is formatted but not written.
#include <cstdio>
#include <memory>
#include <sstream>

#include "bench_basin.hpp"
#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "network/flow_network.hpp"
#include "network/network.hpp"
#include "network/subwatershed.hpp"

int main(int argc, char** argv) {
    // Drainage errors would create fort.39: work in a scratch folder.
    bench::Setup b;
    bench::set_up(b, argc, argv, 2000, "zel_network_bench");
    if (b.size == 0) return 2;
    const int size = b.size;
    Run& run = b.run;
    const MapInput& map = b.basin->map;

    bench::StepClock timer;
    std::printf("%-28s %10s %10s\n", "step", "wall", "processor");
    auto timed = [&](const char* name, auto&& step) {
        timer.time(step);
        std::printf("%-28s %8.3f s %8.3f s\n", name, timer.wall, timer.cpu);
    };
    Network net;
    try {
        CellAreas areas;
        timed("cell areas", [&] { areas = compute_cell_areas(map.hdr, map.fraction); });
        timed("numbering + drainage areas",
              [&] { net = number_cells(map, std::move(areas), NonContributing{}, run); });
        timed("slopes", [&] { compute_slopes(net, map, clamp_min_slope(0.0001f), run); });
        Outlets outlets;
        timed("outlets + river classes", [&] {
            outlets = revise_outlets(net, b.basin->answers, run);
            set_cell_river_classes(net, map.river_class, run);
        });
        timed("rank table + cell checks", [&] { rank_and_check_cells(net, map, run); });
        Watershed shed;
        timed("extraction + trimming",
              [&] { shed = extract_and_trim(net, outlets, {}, map.hdr, run); });
        timed("interflow slopes", [&] { compute_interflow_slopes(net, map, run); });
        timed("extents", [&] { adjust_legacy_extents(shed.window, map.hdr, run); });
    } catch (const Stop& s) {
        for (const auto& l : s.lines) std::printf("%s\n", l.c_str());
        return 1;
    }
    std::printf("%-28s %8.3f s %8.3f s   (%d x %d, na = %d, errors = %d)\n", "total", timer.total,
                timer.total_cpu, size, size, net.na, net.errors);
    run.error_log.discard();
    return 0;
}
