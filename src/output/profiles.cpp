// 1D_reach_locations.xyz and the river profiles: the longest flow path and
// the nine longest side branches, with chainage and elevation.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "output/output_support.hpp"
#include "output/outputs.hpp"

namespace {

// The written network in cell-number order. Cells are numbered as the rank
// grid holds them now (after any renumbering), so every walk follows the
// real network; the square of each number comes from the rank grid.
struct Rivers {
    int count = 0;                    // highest cell number held
    int interior = 0;                 // cells 1..interior drain into the network
    std::vector<int> row, col, next;  // by cell number, index 0 unused
    std::vector<std::uint8_t> walked;  // cells the profile walks may mark
};

Rivers build_rivers(const Watershed& shed, int naa) {
    const Grid<int>& rank = shed.rank;
    Rivers net;
    net.count = shed.cells;
    const auto size = static_cast<std::size_t>(net.count) + 1;
    net.row.assign(size, 0);
    net.col.assign(size, 0);
    net.next.assign(size, 0);
    for (int i = 1; i <= rank.rows(); ++i) {
        const int* r = rank.row_data(i);
        for (int j = 1; j <= rank.cols(); ++j) {
            const int k = r[j - 1];
            if (k < 1 || k > net.count) continue;
            net.row[static_cast<std::size_t>(k)] = i;
            net.col[static_cast<std::size_t>(k)] = j;
            net.next[static_cast<std::size_t>(k)] = shed.next(i, j);
        }
    }
    // The receiving cells hold the last numbers.
    net.interior = shed.in_basin();
    net.walked.assign(size, 0);
    for (int k = 1; k <= net.count; ++k) {
        // A receiving cell that was a basin cell (the cell below a chosen
        // outlet) is walked like the cells above it; the basin's own
        // receiving cells are not.
        const auto ku = static_cast<std::size_t>(k);
        const int old = shed.old_number[ku];
        net.walked[ku] = k <= net.interior || (old >= 1 && old <= naa);
    }
    return net;
}

// Whether a step from cell k to `to` stays on the network: cells always drain
// to a higher number, so anything else is a broken link.
bool sound_step(const Rivers& net, int k, int to) {
    return to > k && to <= net.count && net.row[static_cast<std::size_t>(to)] != 0;
}

[[noreturn]] void broken_walk(Console& con, const Rivers& net, int k) {
    const int i = k >= 1 && k <= net.count ? net.row[static_cast<std::size_t>(k)] : 0;
    const int j = k >= 1 && k <= net.count ? net.col[static_cast<std::size_t>(k)] : 0;
    con.say("There seems to be a problem in");
    con.line("grid no", k, " row", i, " column ", j);
    con.say("Check for -ve slope or missing data");
    con.say("in this grid - OK if a receiving grid.");
    con.say("OR");
    con.say("More than one grid drains into the very last grid");
    con.say("Which means there is more than one outlet.");
    con.say("This can be a problem. Edit the map file so only");
    con.say("one grid drains into each receiving outlet grid.");
    con.say("OR");
    con.say("Did you leave blank columns & rows around the");
    con.say("edges of the data? Maybe not");
    con.say();
    con.say("River profile data not printed");
    con.say("Please check new_format.shd for problems");
    con.say();
    con.say("new_shd.r2c and new_format.shd have been written");
    con.say();
    stop("Program ended in zel @ 2953");
}

struct Geometry {
    double xorigin, yorigin, xdelta, ydelta;
    int decimals;  // of the coordinates: exact for the grid
    explicit Geometry(const MapHeader& h)
        : xorigin(h.xorigin),
          yorigin(h.yorigin),
          xdelta(h.xdelta),
          ydelta(h.ydelta),
          decimals(out::is_latlong(h) ? 6 : 3) {}
    void put_centre(std::string& b, int i, int j) const {
        field::put_fixed(b, (j - 0.5) * xdelta + xorigin, decimals);
        b.push_back(' ');
        field::put_fixed(b, (i - 0.5) * ydelta + yorigin, decimals);
    }
};

void open_or_stop(OutputFile& f, const std::string& name) {
    if (!f.open(name))
        stop_lines(
            {"Unable to create " + name, "Program aborted @ 992, can`t open chainage.dat file"});
}

// Profile `p`: a point line per cell of it (cells in increasing number, from
// the top of the river down).
std::vector<ProfilePoint> write_profile(const Grid<float>& elev, Run& run, const Rivers& net,
                                        const Geometry& geo, const std::vector<int>& cells,
                                        const std::vector<float>& chainage, int p) {
    Console& con = run.con;
    char profile_name[32], river_name[32];
    std::snprintf(profile_name, sizeof profile_name, "profil%02d.dat", p);
    std::snprintf(river_name, sizeof river_name, "river%02d.xyz", p);
    OutputFile profile, river;
    open_or_stop(profile, profile_name);
    open_or_stop(river, river_name);
    std::string line;
    std::vector<ProfilePoint> points;
    points.reserve(cells.size());
    for (const int k : cells) {
        const int i = net.row[static_cast<std::size_t>(k)];
        const int j = net.col[static_cast<std::size_t>(k)];
        points.push_back({i, j, chainage[static_cast<std::size_t>(k)], elev(i, j)});
        line.clear();
        geo.put_centre(line, i, j);
        // Chainage and elevation as the single-precision values they are.
        line += ' ' + std::to_string(p) + ' ';
        line += num(chainage[static_cast<std::size_t>(k)]);
        line.push_back(' ');
        line += num(elev(i, j));
        profile.line(line);
        river.line(line);
    }
    out::commit_or_stop(profile, run);
    out::commit_or_stop(river, run);
    con.line("finished writing ", profile_name);
    con.line("finished writing ", river_name);
    return points;
}

// The downstream ends of the reaches, reach by reach, lowest cell first.
void write_reach_ends(const Grid<int>& reach, OutputFile& f, const Rivers& net, const Geometry& geo) {
    std::vector<std::pair<int, int>> ends;  // (reach, -cell)
    for (int k = net.interior; k >= 1; --k) {
        const int i = net.row[static_cast<std::size_t>(k)];
        const int j = net.col[static_cast<std::size_t>(k)];
        const int to = net.next[static_cast<std::size_t>(k)];
        const int r = reach(i, j);
        if (to < 1 || r < 1) continue;
        int below = 0;
        if (to <= net.count && net.row[static_cast<std::size_t>(to)] != 0)
            below = reach(net.row[static_cast<std::size_t>(to)], net.col[static_cast<std::size_t>(to)]);
        if (below != r) ends.emplace_back(r, -k);
    }
    std::sort(ends.begin(), ends.end());
    std::string& b = f.buffer();
    for (const auto& [r, minus_k] : ends) {
        const int k = -minus_k;
        geo.put_centre(b, net.row[static_cast<std::size_t>(k)],
                       net.col[static_cast<std::size_t>(k)]);
        b.push_back(' ');
        b += std::to_string(r);
        b.push_back('\n');
        f.flush_if_large();
    }
}

}  // namespace

RiverProfiles write_profiles(const WrittenBasin& b, Run& run) {
    RiverProfiles made;
    Console& con = run.con;
    OutputFile reaches;
    if (!reaches.open("1D_reach_locations.xyz")) {
        con.say(" Problems opening the 1D_reach_locations.xyz file ");
        con.say(" Possible cause: file open or read only");
        con.say();
        stop(" Program ZEL aborted");
    }

    // The written watershed must have as many receiving cells as outlets.
    const Watershed& shed = b.shed;
    const int outlets = static_cast<int>(shed.lastgrid.size());
    if (shed.receiving != outlets) {
        out::commit_or_stop(reaches, run);
        con.say();
        con.say("There is more than one outlet");
        con.say("so river profiles are not computed");
        con.say();
        con.say();
        con.say();
        made.more_outlets_than_one = true;
        return made;
    }

    const Rivers net = build_rivers(shed, b.net.naa);
    const Geometry geo(b.map.hdr);
    write_reach_ends(b.map.reach, reaches, net, geo);
    out::commit_or_stop(reaches, run);

    // Profiles follow one outlet: the whole basin's, or the one chosen.
    const std::size_t chosen = b.answers.outlets.size();
    if (chosen > 1) {
        con.line("River profiles are made for a single outlet only:", static_cast<int>(chosen),
                 "outlets were chosen");
        return made;
    }

    const auto size = static_cast<std::size_t>(net.count) + 1;
    std::vector<float> chainage(size, 0.0f);
    std::vector<int> mark(size, 0);
    const float al = b.net.areas.al;

    // Chainage from the outlet, in one pass from the lowest cell up; the first
    // (lowest) cell of the greatest chainage starts the main profile.
    float best = 0.0f;
    int top = 0;
    for (int k = net.interior; k >= 1; --k) {
        const int to = net.next[static_cast<std::size_t>(k)];
        if (to == 0) continue;
        if (!sound_step(net, k, to)) broken_walk(con, net, k);
        const float c = al + chainage[static_cast<std::size_t>(to)];
        chainage[static_cast<std::size_t>(k)] = c;
        if (best < c) {
            best = c;
            top = k;
        }
    }
    // A walk goes to ever higher numbers, so the cells it marks are in order.
    std::vector<int> cells;
    for (int k = top; k >= 1 && k <= net.count && net.walked[static_cast<std::size_t>(k)];) {
        mark[static_cast<std::size_t>(k)] = 1;
        cells.push_back(k);
        const int to = net.next[static_cast<std::size_t>(k)];
        if (to != 0 && !sound_step(net, k, to)) broken_walk(con, net, k);
        k = to;
    }
    made.profiles.push_back(write_profile(b.map.elev, run, net, geo, cells, chainage, 1));

    // Side profiles. The walk of each unmarked cell down to the first marked
    // one is known from the cell below it, so one pass from the highest number
    // down gives every cell's step count, or the cell where its walk breaks
    // (held negative). Where each cell's step leads is checked once.
    std::vector<int> sound_next(size, 0);  // 0: the walk breaks at this cell
    for (int k = 1; k <= net.count; ++k) {
        const int to = net.next[static_cast<std::size_t>(k)];
        if (to != 0 && sound_step(net, k, to)) sound_next[static_cast<std::size_t>(k)] = to;
    }
    std::vector<int> walk(size, 0);
    std::vector<long long> length_of;  // length after s steps, as the walk counts it
    auto length = [&](int s) {
        if (length_of.empty()) length_of.push_back(static_cast<long long>(al));
        while (static_cast<int>(length_of.size()) <= s)
            length_of.push_back(static_cast<long long>(static_cast<float>(length_of.back()) + al));
        return length_of[static_cast<std::size_t>(s)];
    };
    for (int p = 2; p <= 10; ++p) {
        // The side profile starts at the lowest unmarked basin cell of the
        // longest walk; a walk that breaks stops the run at the cell where the
        // lowest such walk breaks, before anything of this profile is written.
        long long longest = 0;
        int start = 0, broken = 0;
        for (int k = net.count; k >= 1; --k) {
            const auto ku = static_cast<std::size_t>(k);
            if (mark[ku] != 0) {
                walk[ku] = 0;
                continue;
            }
            const int to = sound_next[ku];
            const int below = to == 0 ? -k : walk[static_cast<std::size_t>(to)];
            walk[ku] = to == 0 || below < 0 ? std::min(below, -1) : below + 1;
            if (k > net.interior) continue;
            if (walk[ku] < 0) {
                broken = k;
                continue;
            }
            const long long l = length(walk[ku]);
            if (l > 0 && l >= longest) {
                longest = l;
                start = k;
            }
        }
        if (broken != 0) broken_walk(con, net, -walk[static_cast<std::size_t>(broken)]);
        cells.clear();
        for (int k = start; k >= 1 && mark[static_cast<std::size_t>(k)] == 0;
             k = net.next[static_cast<std::size_t>(k)]) {
            mark[static_cast<std::size_t>(k)] = p;
            cells.push_back(k);
        }
        made.profiles.push_back(write_profile(b.map.elev, run, net, geo, cells, chainage, p));
    }
    return made;
}
