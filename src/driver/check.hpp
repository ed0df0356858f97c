#pragma once
class Console;

// zel --check in the current folder: the findings, then "ready to run"
// (exit status 0) or the number of problems (exit status 1).
int check_basin_folder(Console& con);
