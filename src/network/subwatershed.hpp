#pragma once
// Sub-watersheds: the chosen outlets and inlets cut the written watershed
// out of the network, and the grid is trimmed to it.
#include <span>

#include "network/network.hpp"

struct MapHeader;
struct Responses;
struct Run;

// The chosen outlets mapped to their receiving cells (or the network's last
// cell when none was chosen). Ranks outside the cells stop the run.
Outlets revise_outlets(const Network& net, const Responses& answers, Run& run);
// Keep the cells draining to the outlets, remove those above the inlets,
// number the kept cells anew and find the written window. With
// `nca_in_use`, receiving cells write the contributing area of one (1 m2).
Watershed extract_and_trim(const Network& net, const Outlets& outlets, std::span<const int> inlets,
                           const MapHeader& hdr, Run& run);
// The legacy integer extents after trimming, with their console lines.
LegacyExtents adjust_legacy_extents(const Window& window, const MapHeader& hdr, Run& run);
// The trimming counts again, after the legacy files are closed ("2nd time").
void report_trimming_again(const Window& window, Run& run);
