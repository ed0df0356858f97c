// Placeholder: replaced by the real stage.
#include "output/outputs.hpp"

void write_elevation_grids(Run&, Console&) {}
void write_tvo_spec(Run&, Console&) {}
void write_pdl(Run&, Console&) {}
void wetland_split_notice(Run&, Console&) {}
void check_fractions(Run&, Console&) {}
