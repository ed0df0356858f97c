#pragma once
struct Run;
class Console;

void clamp_min_slope(Run& run);
void compute_cell_areas(Run& run, Console& con);
// Numbering by descending elevation, na, naa, drainage areas.
void number_cells(Run& run, Console& con);
// Downstream cells, slopes, channel lengths, drainage errors.
void compute_slopes(Run& run, Console& con);
// Per-cell river class from block 4, with its messages.
void set_cell_river_classes(Run& run, Console& con);
// The run-log table of ranks, the cell checks, next = 0 for receiving cells.
void rank_and_check_cells(Run& run, Console& con);
// Interflow slopes, after extraction and trimming.
void compute_interflow_slopes(Run& run, Console& con);
