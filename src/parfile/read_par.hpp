#pragma once
#include <string>
struct Run;
class Console;

// Read and check the parameter file; copy the river-class values onto the cells.
void read_par_parser(Run& run, Console& con, int channel, const std::string& file_name);
