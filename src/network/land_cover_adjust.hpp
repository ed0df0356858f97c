#pragma once
struct Run;
class Console;

// Impervious share, wetland split, class grids in the run log, 100% water
// repair, and the bankfull block (read from the map file or defaulted).
void adjust_land_cover(Run& run, Console& con);
