#pragma once
struct Run;
class Console;

// new_format.shd and old_format.shd: header and rank table; closes both.
void write_legacy_shd(Run& run, Console& con);
void write_new_shd(Run& run, Console& con);
void write_elevation_grids(Run& run, Console& con);
void write_ch_par(Run& run, Console& con);
void write_tvo_spec(Run& run, Console& con);
void write_pdl(Run& run, Console& con);
void wetland_split_notice(Run& run, Console& con);
// Cells of fraction 0 draining into the network stop the run.
void check_fractions(Run& run, Console& con);
// 1D_reach_locations.xyz and the river profiles.
void write_profiles(Run& run, Console& con);
