// Placeholder: replaced by the real stage.
#include "network/flow_network.hpp"

void clamp_min_slope(Run&) {}
void compute_cell_areas(Run&, Console&) {}
void number_cells(Run&, Console&) {}
void compute_slopes(Run&, Console&) {}
void set_cell_river_classes(Run&, Console&) {}
void rank_and_check_cells(Run&, Console&) {}
void compute_interflow_slopes(Run&, Console&) {}
