#pragma once
// The map file header: read, checked and echoed; the class count confirmed.
class TextReader;
struct MapInput;
struct Run;

// Read the header into input.hdr (the map positioned at its first line) and
// check the wetland split answer (percent) into input.split.
void read_map_header(TextReader& map, float split_percent, MapInput& input, Run& run);
// Make sure the grids of the header's counts fit, allocate the map's blocks
// and apply the header's defaults.
void allocate_grids(const TextReader& map, MapInput& input, Run& run);
