#pragma once
#include <string>

struct Run;
class Console;

// Read an EnSim r2s grid into run.gh and run.input_grid.
void read_r2s(Run& run, Console& con, int channel, const std::string& file_name);
