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

template <class T>
T cell_value(const std::vector<T>& list, int n) {
    return n >= 0 && n < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(n)] : T{};
}

// The fraction list of a cell line: basin fraction, impervious share, then
// classes 1 .. ntype; at most 99 values.
void put_fractions(std::string& b, const Run& run, int i, int j) {
    const BasinGrid& g = run.grid;
    const float area = g.cell_area.at_or(i, j, 0.0f);
    const float frac = area > 0.0f ? g.frac.at_or(i, j, 0.0f) / area : 0.0f;
    put_f(b, frac, 5, 2);
    int written = 1;
    const int nclass = static_cast<int>(g.classes.size());
    if (nclass >= 1) {
        put_f(b, g.classes.back().at_or(i, j, 0.0f), 5, 2);
        ++written;
        for (int c = 0; c < nclass - 1 && written < 99; ++c, ++written)
            put_f(b, g.classes[static_cast<std::size_t>(c)].at_or(i, j, 0.0f), 5, 2);
    }
}

void check_open(const OutputFile& f, const char* name) {
    if (!f.is_open())
        stop_lines({std::string(" The ") + name + " file was not opened before its rank table",
                    " Program ZEL aborted"});
}

}  // namespace

void write_legacy_shd(Run& run, Console& con) {
    check_open(run.new_format_shd, "new_format.shd");
    check_open(run.old_format_shd, "old_format.shd");
    OutputFile& nf = run.new_format_shd;
    OutputFile& of = run.old_format_shd;
    const MapHeader& h = run.hdr;
    const BasinGrid& g = run.grid;
    const Window& win = run.window;
    const out::Span span = out::written_span(run);
    const bool latlong = out::is_latlong(run);
    const int d = latlong ? 5 : 3;
    const int total = out::cells_kept(run);
    const int in_basin = out::cells_in_basin(run);

    // new_format.shd header up to the class counts.
    for (const std::string& c : h.comments) {
        std::string line = "#";
        put_a(line, c, 79, 40);
        nf.line(line);
    }
    nf.line("#");
    nf.line(":Created     :      " + out::created_stamp());
    nf.line(":InputFileName      " + A(run.answers.map_file, 30));
    nf.line("#");
    nf.line(":CoordSys           " + A(h.projection, 10));
    if (latlong || h.projection == "UTM") nf.line(":datum1              " + A(h.datum1, 10));
    if (h.projection == "UTM") nf.line(":Zone               " + A(h.zone, 10));
    nf.line("#");
    nf.line(":xOrigin            " + F(span.xorigin, 12, d));
    nf.line(":yOrigin            " + F(span.yorigin, 12, d));
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
    nf.line(":NominalGridSize_AL " + F(run.al, 12, 3));
    nf.line(":ContourInterval    " + F(h.cintv, 12, 3));
    nf.line(":ImperviousArea     " + F(h.aimpr, 12, 3));
    nf.line(":ClassCount         " + I(h.ntype, 12));
    nf.line(":NumRiverClasses    " + I(run.nrvr, 12));
    nf.line(":ElevConversion     " + F(h.elvconv, 12, 3));
    nf.line("#          ");

    // old_format.shd line 1; its reserved counters are all 0.
    {
        std::string b;
        for (int v :
             {total, h.ycount, h.xcount, 0, 0, 0, 0, 0, 0, h.ycount / 2, h.xcount / 2, in_basin})
            put_i(b, v, 5);
        of.line(b);
    }

    nf.line(":TotalNumOfGrids    " + I(total, 12));
    nf.line(":numGridsInBasin    " + I(in_basin, 12));
    nf.line(":DebugGridNo        " + I(total / 2, 12));
    nf.line("#                   ");
    nf.line(":endHeader          ");

    // old_format.shd lines 2 to 5.
    of.line(F(run.al, 10, 0) + F(h.cintv, 5, 1) + I(run.nrvr, 5) + I(h.ntype, 5) +
            "     map file used =  " + A(run.answers.map_file, 30));
    if (h.projection == "UTM" || h.projection == "CARTESIAN")
        of.line(I(run.ext_south, 5) + I(run.ext_north, 5) + I(run.ext_west, 5) +
                I(run.ext_east, 5));
    {
        std::string b;
        for (int k = 0; k < 4; ++k) put_i(b, -1, 5);
        for (int v : {run.ext_south, run.ext_north, run.ext_west, run.ext_east}) {
            // Degrees and minutes of the extents in minutes of geographic grids.
            const int deg = latlong ? v / 60 : 0;
            const int min = latlong ? v - deg * 60 : 0;
            put_i(b, deg, 5);
            put_i(b, min, 5);
        }
        put_f(b, h.ydelta, 5, 1);
        put_f(b, h.xdelta, 5, 1);
        of.line(b);
    }
    of.line(I(h.ycount, 5) + I(h.xcount, 5) + "             # rows & columns resp.");

    // The rank table and the cell lines of both files.
    nf.line("The ranks of each grid: highest = 1");
    nf.line(words("   n, next, row, col,   da,    bankfull, cha_slope,",
                  "  elv, ch_lenth,iak,int_slope,chnl,reach,frac,imperv", " classes 1 -", h.ntype));
    const CellTable& cells = run.cells;
    std::string& nb = nf.buffer();
    std::string& ob = of.buffer();
    std::string shared, fractions;
    // Cells come in elevation order, scattered over the grids: ask for the
    // squares of a few cells ahead before they are read.
    constexpr int kAhead = 6;
    auto prefetch = [&](int m) {
        const int pi = cell_value(cells.row, m), pj = cell_value(cells.col, m);
        if (!g.rank.inside(pi, pj)) return;
        const auto at = [&](const auto& grid) {
            if (grid.inside(pi, pj)) __builtin_prefetch(&grid(pi, pj));
        };
        at(g.rank), at(g.next), at(g.da), at(g.bankfull), at(g.slope), at(g.elev);
        at(g.channels), at(g.reach), at(g.cell_area), at(g.frac), at(g.channel_length);
        at(g.contours);
        for (const auto& c : g.classes) at(c);
    };
    // In the order of the written numbers (the receiving cells of several
    // outlets come last); without an extraction, the cell numbers themselves.
    const bool renumbered = run.old_number.size() == static_cast<std::size_t>(total) + 1;
    const int lines = renumbered ? total : run.na;
    auto cell_of = [&](int m) { return renumbered ? run.old_number[static_cast<std::size_t>(m)] : m; };
    for (int m = 1; m <= lines; ++m) {
        if (m + kAhead <= lines) prefetch(cell_of(m + kAhead));
        const int n = cell_of(m);
        const int i = cell_value(cells.row, n);
        const int j = cell_value(cells.col, n);
        if (!g.rank.inside(i, j) || g.rank(i, j) < 1) continue;
        const int number = g.rank(i, j);
        const int next = n > run.naa ? 0 : g.next.at_or(i, j, 0);
        const float da = g.da.at_or(i, j, 0.0f);
        const bool large = da > 10.0f;
        const float bankfull = g.bankfull.at_or(i, j, 0.0f);
        const float slope = g.slope.at_or(i, j, 0.0f);
        const float elev = g.elev.at_or(i, j, 0.0f);
        const int iak = cell_value(cells.iak, n);
        const int channels = g.channels.at_or(i, j, 0);
        const int reach = g.reach.at_or(i, j, 0);

        // The two files share most fields: format them once.
        shared.clear();
        put_f(shared, da, 10, large ? 0 : 3);
        put_f(shared, bankfull, 10, large ? 2 : 5);
        put_f(shared, slope, 10, 7);
        put_f(shared, elev, 7, 1);
        fractions.clear();
        put_fractions(fractions, run, i, j);

        put_i(nb, number, 5);
        put_i(nb, next, 5);
        put_i(nb, i - win.south, 5);
        put_i(nb, j - win.west, 5);
        nb += shared;
        put_f(nb, g.channel_length.at_or(i, j, 0.0f), 7, 0);
        put_i(nb, iak, 5);
        put_f(nb, cell_value(cells.int_slope, n), 10, 5);
        put_i(nb, channels, 5);
        put_i(nb, reach, 5);
        nb.append(3, ' ');
        nb += fractions;
        nb.push_back('\n');

        put_i(ob, number, 5);
        put_i(ob, i - win.south, 5);
        put_i(ob, j - win.west, 5);
        ob += shared;
        for (int v : {next, iak, g.contours.at_or(i, j, 0), channels, reach}) put_i(ob, v, 5);
        ob += fractions;
        ob.push_back('\n');

        nf.flush_if_large();
        of.flush_if_large();
    }

    out::commit_or_stop(nf);
    out::commit_or_stop(of);
    if (run.ssdata.is_open()) out::commit_or_stop(run.ssdata);
}
