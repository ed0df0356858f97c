#include "driver/run_zel.hpp"

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "mapfile/grid_blocks.hpp"
#include "mapfile/land_cover.hpp"
#include "mapfile/map_header.hpp"
#include "network/dem_stats.hpp"
#include "network/fetch.hpp"
#include "network/flow_network.hpp"
#include "network/land_cover_adjust.hpp"
#include "network/nca.hpp"
#include "network/subwatershed.hpp"
#include "output/outputs.hpp"

// Debug checkpoints (numbers in the README): with iopt 1 the run waits between
// the main stages, with iopt 2 inside them.
void run_zel(Run& run, Console& con) {
    start_up(run, con);        // steps 1-5
    obtain_answers(run, con);  // step 6
    con.checkpoint(run.iopt, 1, 1);
    open_files(run, con);  // steps 7-13
    con.checkpoint(run.iopt, 1, 2);

    read_map_header(run, con);  // step 14
    con.checkpoint(run.iopt, 1, 3);
    allocate_grids(run, con);  // step 15
    con.checkpoint(run.iopt, 2, 11);
    read_blocks_1_to_3(run, con);  // step 16
    clamp_min_slope(run);
    con.checkpoint(run.iopt, 2, 12);
    compute_cell_areas(run, con);  // step 17
    con.checkpoint(run.iopt, 2, 13);
    non_contributing_areas(run, con);  // step 18
    con.checkpoint(run.iopt, 2, 14);
    dem_statistics(run, con);  // step 19
    con.checkpoint(run.iopt, 2, 15);
    number_cells(run, con);  // step 20
    con.checkpoint(run.iopt, 2, 16);
    compute_slopes(run, con);  // step 21
    con.checkpoint(run.iopt, 1, 4);
    revise_outlets(run, con);  // step 22
    con.checkpoint(run.iopt, 2, 17);
    read_river_class_block(run, con);  // step 23
    set_cell_river_classes(run, con);
    con.checkpoint(run.iopt, 2, 18);
    read_blocks_5_to_7(run, con);       // steps 24-25
    con.line("ntype=", run.hdr.ntype);  // step 26
    con.say("Gone to fetch");
    fetch_2d(run, con);
    con.say("Back from fetch");
    con.checkpoint(run.iopt, 2, 19);
    read_classes_and_combine(run, con);  // step 27
    con.say();
    con.say("End of map file reached and classes combined");
    con.say();
    con.checkpoint(run.iopt, 1, 5);
    adjust_land_cover(run, con);  // step 28
    con.checkpoint(run.iopt, 2, 20);
    rank_and_check_cells(run, con);  // step 29
    extract_and_trim(run, con);
    compute_interflow_slopes(run, con);
    con.checkpoint(run.iopt, 1, 6);
    read_parameter_file(run, con);  // step 30
    con.checkpoint(run.iopt, 1, 7);
    blank_outside_watershed(run);
    adjust_legacy_extents(run, con);
    write_legacy_shd(run, con);  // step 31
    report_trimming_again(run, con);
    write_new_shd(run, con);  // step 32
    con.checkpoint(run.iopt, 2, 21);
    write_elevation_grids(run, con);
    write_ch_par(run, con);
    write_tvo_spec(run, con);
    write_pdl(run, con);
    wetland_split_notice(run, con);
    check_fractions(run, con);  // step 33
    con.say();                  // step 34
    con.say();
    con.say("If you have gotten this far, you probably will have");
    con.say("a good shd file - i.e. there will be a shd file");
    con.say();
    con.say();
    con.say("The rest of the program tends to work only if you have");
    con.say("a single watershed outlet");
    con.say();
    con.say();
    con.checkpoint(run.iopt, 1, 8);
    write_profiles(run, con);  // step 35
    ending(run, con);          // step 36
}
