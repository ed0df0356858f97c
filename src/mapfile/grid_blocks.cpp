// Placeholder: replaced by the real stage.
#include "mapfile/grid_blocks.hpp"

void read_blocks_1_to_3(Run&, Console&) {}
void read_river_class_block(Run&, Console&) {}
void read_blocks_5_to_7(Run&, Console&) {}
