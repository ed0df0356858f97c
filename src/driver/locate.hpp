#pragma once
class Console;
struct Options;

// zel --locate X Y [--radius R] in the current folder: the cell at the map
// point, then the river cell with the largest drainage area within R, as an
// outlet line for zel_responses.txt. Exit status 0, or 1 when the point is
// off the grid or no river cell lies within R.
int locate_cell(Console& con, const Options& options);
