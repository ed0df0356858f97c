#pragma once
// Every file written after the parameter file: the writers take the
// products they print, read-only.
#include <vector>

#include "common/output_file.hpp"
#include "common/parameter_set.hpp"
#include "common/responses.hpp"
#include "mapfile/map_input.hpp"
#include "network/network.hpp"

struct Run;

// What the writers print. Squares outside the written watershed (rank 0)
// are written as 0 whatever the products hold there.
struct WrittenBasin {
    const Responses& answers;
    const MapInput& map;  // header and grid blocks
    const Network& net;
    const LandCover& cover;
    const Fetch& fetch;
    const NonContributing& nca;
    const Watershed& shed;
    const DemStats* dem = nullptr;         // when the elevation statistics were made
    const ParameterSet* par = nullptr;     // when a parameter file was read
    const std::string* par_file = nullptr; // its name
};

// The legacy text files, opened with the run log.
struct LegacyFiles {
    OutputFile new_format, old_format, ssdata;
};

// new_format.shd and old_format.shd: header and rank table; commits both and ssdata.out.
void write_legacy_shd(LegacyFiles& files, const WrittenBasin& b, const LegacyExtents& extents,
                      Run& run);
void write_new_shd(const WrittenBasin& b, Run& run);
void write_elevation_grids(const WrittenBasin& b, Run& run);
void write_ch_par(const WrittenBasin& b, Run& run);
void write_tvo_spec(const WrittenBasin& b, Run& run);
void write_pdl(const WrittenBasin& b, Run& run);
void wetland_split_notice(float split, Run& run);
// Cells of fraction 0 (or below) draining into the network stop the run.
void check_fractions(const WrittenBasin& b, Run& run);
// A point of a river profile: the square, its chainage (m) and elevation.
struct ProfilePoint {
    int row = 0, col = 0;
    float chainage = 0, elev = 0;
};
// What the profile stage made.
struct RiverProfiles {
    // The written watershed has more receiving cells than outlets: the run
    // ends early ("Normal ending @ 3807"), with no reach locations or profiles.
    bool more_outlets_than_one = false;
    // Profile 1 (the longest flow path) first, from the top of the river
    // down; empty when no profile was made.
    std::vector<std::vector<ProfilePoint>> profiles;
};
// 1D_reach_locations.xyz and the river profiles.
RiverProfiles write_profiles(const WrittenBasin& b, Run& run);
// zel_overview.svg: the written watershed, its rivers and its profiles.
void write_overview(const WrittenBasin& b, const RiverProfiles& profiles, Run& run);
