#pragma once
// The map file's grid blocks 1 to 7.
class TextReader;
struct MapInput;
struct Run;

// Blocks 1-3: elevation, fraction, drainage direction.
void read_blocks_1_to_3(TextReader& map, MapInput& input, Run& run);
// Block 4: river classes; sets nrvr.
void read_river_class_block(TextReader& map, MapInput& input, Run& run);
// Blocks 5-7: contours, channels, reach numbers.
void read_blocks_5_to_7(TextReader& map, MapInput& input, Run& run);
