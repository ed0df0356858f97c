#include "driver/run_zel.hpp"

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "driver/responses.hpp"
#include "mapfile/grid_blocks.hpp"
#include "mapfile/land_cover.hpp"
#include "mapfile/map_header.hpp"
#include "mapfile/map_input.hpp"
#include "network/dem_stats.hpp"
#include "network/fetch.hpp"
#include "network/flow_network.hpp"
#include "network/land_cover_adjust.hpp"
#include "network/nca.hpp"
#include "network/subwatershed.hpp"
#include "output/outputs.hpp"

namespace {

// With ZEL_STAGE_TIMES set, each stage's wall time goes to standard error
// (for the benchmarks; the run itself is unchanged).
class StageTimes {
  public:
    StageTimes() : on_(std::getenv("ZEL_STAGE_TIMES") != nullptr), last_(Clock::now()), cpu_(cpu()) {}
    void operator()(const char* stage) {
        if (!on_) return;
        const auto now = Clock::now();
        const double used = cpu();
        std::fprintf(stderr, "%-28s %8.3f s  (cpu %6.3f s)\n", stage,
                     std::chrono::duration<double>(now - last_).count(), used - cpu_);
        last_ = now;
        cpu_ = used;
    }

  private:
    using Clock = std::chrono::steady_clock;
    // Processor time of all the program's threads so far.
    static double cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }
    bool on_;
    Clock::time_point last_;
    double cpu_;
};

}  // namespace

// The run reads as its data flow: each stage takes the products it needs
// and returns what it makes. Debug checkpoints (numbers in the README): with
// iopt 1 the run waits between the main stages, with iopt 2 inside them.
void run_zel(Run& run) {
    Console& con = run.con;
    StageTimes times;
    start_up(con);  // steps 1-5
    const Responses answers = obtain_answers(con);  // step 6
    run.checkpoint(1, 1);
    OpenFiles files = open_files(answers, run);  // steps 7-13
    run.checkpoint(1, 2);
    times("answers, files");

    // The map header and its first three blocks.
    MapInput map;
    read_map_header(files.map, answers.split_percent, map, run);  // step 14
    run.checkpoint(1, 3);
    allocate_grids(files.map, map, run);  // step 15
    run.checkpoint(2, 11);
    times("map header");
    read_blocks_1_to_3(files.map, map, run);  // step 16
    times("map header, blocks 1-3");
    const float min_slope = clamp_min_slope(answers.min_slope);
    run.checkpoint(2, 12);

    // Cell areas, non-contributing areas, DEM statistics, the network.
    CellAreas areas = compute_cell_areas(map.hdr, std::move(map.fraction));  // step 17
    run.checkpoint(2, 13);
    const NonContributing nca = non_contributing_areas(map.hdr, areas.frac, answers, run);  // 18
    run.checkpoint(2, 14);
    const std::optional<DemStats> dem = dem_statistics(map.hdr, answers.dem_stats, run);  // 19
    run.checkpoint(2, 15);
    Network net = number_cells(map, std::move(areas), nca, run);  // step 20
    run.checkpoint(2, 16);
    compute_slopes(net, map, min_slope, run);  // step 21
    times("areas, nca, dem, network");
    run.checkpoint(1, 4);
    const Outlets outlets = revise_outlets(net, answers, run);  // step 22
    run.checkpoint(2, 17);

    // The rest of the map: river classes, blocks 5-7, fetch, land cover.
    read_river_class_block(files.map, map, run);  // step 23
    set_cell_river_classes(net, map.river_class, run);
    run.checkpoint(2, 18);
    read_blocks_5_to_7(files.map, map, run);  // steps 24-25
    con.line("ntype=", map.hdr.ntype);       // step 26
    con.say("Gone to fetch");
    const Fetch fetch = fetch_2d(map.reach, net, run);
    con.say("Back from fetch");
    times("blocks 4-7, fetch");
    run.checkpoint(2, 19);
    read_classes_and_combine(files.map, map, run);  // step 27
    times("classes");
    con.say();
    con.say("End of map file reached and classes combined");
    con.say();
    run.checkpoint(1, 5);
    const LandCover cover = adjust_land_cover(map, files.map, net, answers.split_type, run);  // 28
    files.map = TextReader();  // the map file is read to its end: its text goes
    run.checkpoint(2, 20);
    times("land cover");

    // The watershed as written.
    rank_and_check_cells(net, map, run);  // step 29
    const Watershed shed = extract_and_trim(net, outlets, answers.inlets, map.hdr, run);
    compute_interflow_slopes(net, map, run);
    times("checks, extraction");
    run.checkpoint(1, 6);

    // The parameter file, read against the classes the run writes.
    const ParBasin basin = par_basin(answers, map, net, cover);
    const std::optional<ParameterSet> par =
        read_parameter_file(answers, files.have_par_file, basin, run);  // step 30
    run.checkpoint(1, 7);

    // The outputs.
    const WrittenBasin written{answers, map,  net, cover, fetch, nca, shed,
                               dem ? &*dem : nullptr, par ? &*par : nullptr, &answers.par_file};
    const LegacyExtents extents = adjust_legacy_extents(shed.window, map.hdr, run);
    write_legacy_shd(files.legacy, written, extents, run);  // step 31
    times("legacy shd");
    report_trimming_again(shed.window, run);
    write_new_shd(written, run);  // step 32
    times("new_shd.r2c");
    run.checkpoint(2, 21);
    write_elevation_grids(written, run);
    write_ch_par(written, run);
    write_tvo_spec(written, run);
    write_pdl(written, run);
    wetland_split_notice(map.split, run);
    check_fractions(written, run);  // step 33
    times("side files");
    con.say();                     // step 34
    con.say();
    con.say("If you have gotten this far, you probably will have");
    con.say("a good shd file - i.e. there will be a shd file");
    con.say();
    con.say();
    con.say("The rest of the program tends to work only if you have");
    con.say("a single watershed outlet");
    con.say();
    con.say();
    run.checkpoint(1, 8);
    const RiverProfiles profiles = write_profiles(written, run);  // step 35
    times("profiles");
    write_overview(written, profiles, run);
    times("overview");
    if (profiles.more_outlets_than_one) stop_normal("Normal ending @ 3807");
    ending(files.legacy, net.errors, run);  // step 36
}
