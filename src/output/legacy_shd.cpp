// new_format.shd and old_format.shd: the watershed in the two older text
// layouts, header and one line per cell; ssdata.out stays empty.
#include <cstdlib>
#include <string>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "output/output_support.hpp"
#include "output/outputs.hpp"

namespace {

using namespace field;

// Cells draining more than this (km2) write their area and bankfull with
// fewer decimals.
constexpr float kLargeArea = 10.0f;


// The fraction list of a cell line: basin fraction, impervious share, then
// classes 1 .. ntype; at most 99 values.
void put_fractions(std::string& out, const WrittenBasin& b, int i, int j) {
    const float area = b.net.areas.cell_area(i, j);
    const float frac = area > 0.0f ? out::written_frac(b, i, j) / area : 0.0f;
    put_f(out, frac, 5, 2);
    int written = 1;
    const auto& classes = b.cover.classes;
    const int nclass = static_cast<int>(classes.size());
    if (nclass >= 1) {
        put_f(out, classes.back()(i, j), 5, 2);
        ++written;
        for (int c = 0; c < nclass - 1 && written < 99; ++c, ++written)
            put_f(out, classes[static_cast<std::size_t>(c)](i, j), 5, 2);
    }
}

// The values both files' headers use.
struct Counts {
    int total, in_basin, ntype;
    float al;
};

// new_format.shd up to its rank table; its :xCount and :yCount lines also
// go to the console.
void new_format_header(OutputFile& nf, const WrittenBasin& b, const Counts& n, Console& con) {
    const MapHeader& h = b.map.hdr;
    const Window& win = b.shed.window;
    const bool latlong = out::is_latlong(h);
    const bool utm = h.projection.named(Projection::utm);
    const int d = latlong ? 5 : 3;
    for (const std::string& c : h.comments) {
        std::string line = "#";
        put_a(line, c, 79, 40);
        nf.line(line);
    }
    nf.line("#");
    nf.line(":Created     :      " + out::created_stamp());
    nf.line(":InputFileName      " + A(b.answers.map_file, 30));
    nf.line("#");
    nf.line(":CoordSys           " + A(h.projection.text, 10));
    if (latlong || utm) nf.line(":datum1              " + A(h.datum1, 10));
    if (utm) nf.line(":Zone               " + A(h.zone, 10));
    nf.line("#");
    nf.line(":xOrigin            " + F(win.xorigin, 12, d));
    nf.line(":yOrigin            " + F(win.yorigin, 12, d));
    nf.line("#");
    const std::string xcount_line = ":xCount             " + I(h.xcount, 12);
    const std::string ycount_line = ":yCount             " + I(h.ycount, 12);
    nf.line(xcount_line);
    nf.line(ycount_line);
    con.say(xcount_line);
    con.say(ycount_line);
    nf.line(":xDelta             " + F(h.xdelta, 12, d));
    nf.line(":yDelta             " + F(h.ydelta, 12, d));
    nf.line("#");
    nf.line(":NominalGridSize_AL " + F(n.al, 12, 3));
    nf.line(":ContourInterval    " + F(h.cintv, 12, 3));
    nf.line(":ImperviousArea     " + F(h.aimpr, 12, 3));
    nf.line(":ClassCount         " + I(n.ntype, 12));
    nf.line(":NumRiverClasses    " + I(b.map.nrvr, 12));
    nf.line(":ElevConversion     " + F(h.elvconv, 12, 3));
    nf.line("#          ");
    nf.line(":TotalNumOfGrids    " + I(n.total, 12));
    nf.line(":numGridsInBasin    " + I(n.in_basin, 12));
    nf.line(":DebugGridNo        " + I(n.total / 2, 12));
    nf.line("#                   ");
    nf.line(":endHeader          ");
    nf.line("The ranks of each grid: highest = 1");
    nf.line(words("   n, next, row, col,   da,    bankfull, cha_slope,",
                  "  elv, ch_lenth,iak,int_slope,chnl,reach,frac,imperv", " classes 1 -", n.ntype));
}

// old_format.shd lines 1 to 5; its reserved counters are all 0.
void old_format_header(OutputFile& of, const WrittenBasin& b, const Counts& n,
                       const LegacyExtents& ext) {
    const MapHeader& h = b.map.hdr;
    const bool latlong = out::is_latlong(h);
    std::string line;
    for (int v : {n.total, h.ycount, h.xcount, 0, 0, 0, 0, 0, 0, h.ycount / 2, h.xcount / 2,
                  n.in_basin})
        put_i(line, v, 5);
    of.line(line);
    of.line(F(n.al, 10, 0) + F(h.cintv, 5, 1) + I(b.map.nrvr, 5) + I(n.ntype, 5) +
            "     map file used =  " + A(b.answers.map_file, 30));
    if (h.projection.named(Projection::utm) || h.projection.named(Projection::cartesian))
        of.line(I(ext.south, 5) + I(ext.north, 5) + I(ext.west, 5) + I(ext.east, 5));
    line.clear();
    for (int k = 0; k < 4; ++k) put_i(line, -1, 5);
    for (int v : {ext.south, ext.north, ext.west, ext.east}) {
        // Degrees and minutes of the extents in minutes of geographic grids.
        const int deg = latlong ? v / 60 : 0;
        const int min = latlong ? v - deg * 60 : 0;
        put_i(line, deg, 5);
        put_i(line, min, 5);
    }
    put_f(line, h.ydelta, 5, 1);
    put_f(line, h.xdelta, 5, 1);
    of.line(line);
    of.line(I(h.ycount, 5) + I(h.xcount, 5) + "             # rows & columns resp.");
}

// One line per written cell in both files, in the order of the written
// numbers (the receiving cells of several outlets come last).
void cell_lines(OutputFile& nf, OutputFile& of, const WrittenBasin& b) {
    const Network& net = b.net;
    const Window& win = b.shed.window;
    const int total = b.shed.cells;
    std::string& nb = nf.buffer();
    std::string& ob = of.buffer();
    std::string shared, fractions;
    // Cells come in elevation order, scattered over the grids: ask for the
    // squares of a few cells ahead before they are read.
    constexpr int kAhead = 6;
    auto prefetch = [&](int n) {
        const std::size_t k = net.square(n);
        auto at = [&](const auto& grid) { __builtin_prefetch(grid.values().data() + k); };
        at(b.shed.rank), at(b.shed.next), at(net.da), at(b.cover.bankfull), at(net.slope);
        at(b.map.elev), at(b.map.channels), at(b.map.reach), at(net.areas.cell_area);
        at(net.areas.frac), at(net.channel_length), at(b.map.contours);
        for (const auto& c : b.cover.classes) at(c);
    };
    for (int m = 1; m <= total; ++m) {
        if (m + kAhead <= total) prefetch(b.shed.old_number[static_cast<std::size_t>(m + kAhead)]);
        const int n = b.shed.old_number[static_cast<std::size_t>(m)];
        const int i = net.row[static_cast<std::size_t>(n)];
        const int j = net.col[static_cast<std::size_t>(n)];
        const int next = n > net.naa ? 0 : b.shed.next(i, j);
        const float da = net.da(i, j);
        const bool large = da > kLargeArea;
        const int iak = net.iak[static_cast<std::size_t>(n)];
        const int channels = b.map.channels(i, j);
        const int reach = b.map.reach(i, j);

        // The two files share most fields: format them once.
        shared.clear();
        put_f(shared, da, 10, large ? 0 : 3);
        put_f(shared, b.cover.bankfull(i, j), 10, large ? 2 : 5);
        put_f(shared, net.slope(i, j), 10, 7);
        put_f(shared, b.map.elev(i, j), 7, 1);
        fractions.clear();
        put_fractions(fractions, b, i, j);

        put_i(nb, m, 5);
        put_i(nb, next, 5);
        put_i(nb, i - win.south, 5);
        put_i(nb, j - win.west, 5);
        nb += shared;
        put_f(nb, net.channel_length(i, j), 7, 0);
        put_i(nb, iak, 5);
        put_f(nb, net.int_slope[static_cast<std::size_t>(n)], 10, 5);
        put_i(nb, channels, 5);
        put_i(nb, reach, 5);
        nb.append(3, ' ');
        nb += fractions;
        nb.push_back('\n');

        put_i(ob, m, 5);
        put_i(ob, i - win.south, 5);
        put_i(ob, j - win.west, 5);
        ob += shared;
        for (int v : {next, iak, b.map.contours(i, j), channels, reach}) put_i(ob, v, 5);
        ob += fractions;
        ob.push_back('\n');

        nf.flush_if_large();
        of.flush_if_large();
    }
}

}  // namespace

void write_legacy_shd(LegacyFiles& files, const WrittenBasin& b, const LegacyExtents& ext,
                      Run& run) {
    const Counts n{b.shed.cells, b.shed.in_basin(), b.cover.ntype(), b.net.areas.al};
    new_format_header(files.new_format, b, n, run.con);
    old_format_header(files.old_format, b, n, ext);
    cell_lines(files.new_format, files.old_format, b);
    out::commit_or_stop(files.new_format, run);
    out::commit_or_stop(files.old_format, run);
    if (files.ssdata.is_open()) out::commit_or_stop(files.ssdata, run);
}
