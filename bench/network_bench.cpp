// Network stages benchmark.
//
//   network_bench [SIZE]
//       builds a SIZE x SIZE basin (default 2000) of distinct elevations with a
//       blank edge, drainage directions to the lowest neighbour and one
//       receiving square, then times each network stage (areas, numbering and
//       drainage areas, slopes, river classes, rank table and cell checks,
//       extraction and trimming, interflow slopes, blanking) and the total.
//       Console and run-log text is formatted but not written.
#include <cstdio>
#include <memory>
#include <sstream>

#include "bench_basin.hpp"
#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "network/flow_network.hpp"
#include "network/subwatershed.hpp"

int main(int argc, char** argv) {
    // Drainage errors would create fort.39: work in a scratch folder.
    bench::Setup b;
    bench::set_up(b, argc, argv, 2000, "zel_network_bench");
    if (b.size == 0) return 2;
    const int size = b.size;
    auto& run = b.run;
    Console& con = b.con;

    bench::StepClock timer;
    std::printf("%-28s %10s %10s\n", "step", "wall", "processor");
    auto timed = [&](const char* name, auto&& step) {
        timer.time(step);
        std::printf("%-28s %8.3f s %8.3f s\n", name, timer.wall, timer.cpu);
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
    std::printf("%-28s %8.3f s %8.3f s   (%d x %d, na = %d, errors = %d)\n", "total", timer.total, timer.total_cpu, size, size,
                run->na, run->errors);
    run->error_log.discard();
    return 0;
}
