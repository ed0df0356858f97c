#pragma once
struct Run;
class Console;

// Mean and maximum square elevations from dem.r2s, when asked for.
void dem_statistics(Run& run, Console& con);
