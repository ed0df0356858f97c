#pragma once
struct Run;
class Console;

// Non-contributing areas: the nca.r2s fraction grid and the contributing area.
void non_contributing_areas(Run& run, Console& con);
