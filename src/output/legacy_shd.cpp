// new_format.shd and old_format.shd: the watershed in the two older text
// layouts, header and one line per cell; ssdata.out stays empty.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/pieces.hpp"
#include "common/stop.hpp"
#include "output/output_support.hpp"
#include "output/outputs.hpp"

namespace {

using namespace field;

// Cells draining more than this (km2) write their area and bankfull with
// fewer decimals.
constexpr float kLargeArea = 10.0f;



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

// The values of a range of written cells, gathered grid by grid: the cells
// come in elevation order, scattered over the grids, and reading one grid
// at a time for many cells keeps the memory busy instead of waiting on
// every read.
struct CellValues {
    std::vector<std::size_t> square;
    std::vector<int> n, next, channels, reach, contours, iak;
    std::vector<float> da, bankfull, slope, elev, length, int_slope, frac;
    std::vector<std::vector<float>> classes;

    void gather(const WrittenBasin& b, int first, int last) {
        const Network& net = b.net;
        const auto count = static_cast<std::size_t>(last - first + 1);
        square.resize(count);
        n.resize(count);
        for (std::size_t c = 0; c < count; ++c) {
            n[c] = b.shed.old_number[static_cast<std::size_t>(first) + c];
            square[c] = net.square(n[c]);
        }
        auto take = [&](auto& out, const auto& grid) {
            out.resize(count);
            const auto* v = grid.values().data();
            for (std::size_t c = 0; c < count; ++c) out[c] = v[square[c]];
        };
        auto by_cell = [&](auto& out, const auto& list) {
            out.resize(count);
            for (std::size_t c = 0; c < count; ++c) out[c] = list[static_cast<std::size_t>(n[c])];
        };
        take(next, b.shed.next);
        take(da, net.da);
        take(bankfull, b.cover.bankfull);
        take(slope, net.slope);
        take(elev, b.map.elev);
        take(length, net.channel_length);
        take(channels, b.map.channels);
        take(reach, b.map.reach);
        take(contours, b.map.contours);
        by_cell(iak, net.iak);
        by_cell(int_slope, net.int_slope);
        // The cell's basin fraction: frac_2d over the square's area, 0 for a
        // receiving cell.
        std::vector<float> area;
        take(frac, net.areas.frac);
        take(area, net.areas.cell_area);
        for (std::size_t c = 0; c < count; ++c)
            frac[c] = next[c] >= 1 && area[c] > 0.0f ? frac[c] / area[c] : 0.0f;
        classes.resize(b.cover.classes.size());
        for (std::size_t k = 0; k < classes.size(); ++k) take(classes[k], b.cover.classes[k]);
    }
};

// One line per written cell in both files, in the order of the written
// numbers (the receiving cells of several outlets come last). Ranges of
// cells are formatted on the machine's cores and written in order.
void cell_lines(OutputFile& nf, OutputFile& of, const WrittenBasin& b) {
    const Network& net = b.net;
    const Window& win = b.shed.window;
    const int total = b.shed.cells;
    constexpr int kCellsPerPiece = 16384;
    struct Texts {
        std::string nf, of;
        CellValues v;
    };
    const std::size_t pieces = static_cast<std::size_t>((total + kCellsPerPiece - 1) / kCellsPerPiece);
    in_order<Texts>(
        pieces,
        [&](std::size_t p, Texts& t) {
            t.nf.clear();
            t.of.clear();
            const int first = 1 + static_cast<int>(p) * kCellsPerPiece;
            const int last = std::min(total, first + kCellsPerPiece - 1);
            CellValues& v = t.v;
            v.gather(b, first, last);
            std::string shared, fractions;
            for (int m = first; m <= last; ++m) {
                const auto c = static_cast<std::size_t>(m - first);
                const int n = v.n[c];
                const int i = net.row[static_cast<std::size_t>(n)];
                const int j = net.col[static_cast<std::size_t>(n)];
                const int next = n > net.naa ? 0 : v.next[c];
                const bool large = v.da[c] > kLargeArea;

                // The two files share most fields: format them once.
                shared.clear();
                put_f(shared, v.da[c], 10, large ? 0 : 3);
                put_f(shared, v.bankfull[c], 10, large ? 2 : 5);
                put_f(shared, v.slope[c], 10, 7);
                put_f(shared, v.elev[c], 7, 1);
                // The fraction list: basin fraction, impervious share, then
                // classes 1 .. ntype; at most 99 values.
                fractions.clear();
                put_f(fractions, v.frac[c], 5, 2);
                if (!v.classes.empty()) {
                    put_f(fractions, v.classes.back()[c], 5, 2);
                    for (std::size_t k = 0; k + 1 < v.classes.size() && k + 2 < 99; ++k)
                        put_f(fractions, v.classes[k][c], 5, 2);
                }

                std::string& nb = t.nf;
                put_i(nb, m, 5);
                put_i(nb, next, 5);
                put_i(nb, i - win.south, 5);
                put_i(nb, j - win.west, 5);
                nb += shared;
                put_f(nb, v.length[c], 7, 0);
                put_i(nb, v.iak[c], 5);
                put_f(nb, v.int_slope[c], 10, 5);
                put_i(nb, v.channels[c], 5);
                put_i(nb, v.reach[c], 5);
                nb.append(3, ' ');
                nb += fractions;
                nb.push_back('\n');

                std::string& ob = t.of;
                put_i(ob, m, 5);
                put_i(ob, i - win.south, 5);
                put_i(ob, j - win.west, 5);
                ob += shared;
                for (int x : {next, v.iak[c], v.contours[c], v.channels[c], v.reach[c]}) put_i(ob, x, 5);
                ob += fractions;
                ob.push_back('\n');
            }
        },
        [&](std::size_t, Texts& t) {
            nf.write(t.nf);
            of.write(t.of);
        });
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
