#pragma once
struct Run;
class Console;

// Read, check and echo the map file header; confirm the class count.
void read_map_header(Run& run, Console& con);
// Allocate every grid layer for the header's counts and apply the header defaults.
void allocate_grids(Run& run, Console& con);
