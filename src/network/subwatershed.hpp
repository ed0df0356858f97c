#pragma once
struct Run;
class Console;

// Map the chosen outlets to their receiving cells (or use the network's outlet).
void revise_outlets(Run& run, Console& con);
// Keep the cells above the outlets, remove those above the inlets, renumber,
// and compute the trimmed window.
void extract_and_trim(Run& run, Console& con);
// After the parameter file: zero every attribute of squares outside the watershed.
void blank_outside_watershed(Run& run);
// The legacy integer extents and their console lines.
void adjust_legacy_extents(Run& run, Console& con);
// The trimming counts again, after the legacy files are closed ("2nd time").
void report_trimming_again(Run& run, Console& con);
