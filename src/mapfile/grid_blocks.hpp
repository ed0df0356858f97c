#pragma once
struct Run;
class Console;

// Blocks 1-3: elevation, fraction, drainage direction.
void read_blocks_1_to_3(Run& run, Console& con);
// Block 4: river classes; sets nrvr.
void read_river_class_block(Run& run, Console& con);
// Blocks 5-7: contours, channels, reach numbers.
void read_blocks_5_to_7(Run& run, Console& con);
