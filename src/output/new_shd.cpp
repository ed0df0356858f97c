// new_shd.r2c: the watershed file read by the simulation programs.
#include <algorithm>
#include <string>
#include <vector>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "output/output_support.hpp"
#include "output/outputs.hpp"

namespace {

using out::FloatField;
using out::IntField;
using out::key20;

constexpr int kPerLine = 999;

const char* const kFixedAttributes[20] = {
    ":AttributeName 1 Rank",       ":AttributeName 2 Next",      ":AttributeName 3 DA",
    ":AttributeName 4 Bankfull",   ":AttributeName 5 ChnlSlope", ":AttributeName 6 Elev",
    ":AttributeName 7 ChnlLength", ":AttributeName 8 IAK",       ":AttributeName 9 IntSlope",
    ":AttributeName 10 Chnl",      ":AttributeName 11 Reach",    ":AttributeName 12 GridArea",
    ":AttributeName 13 FetchNE",   ":AttributeName 14 FetchE",   ":AttributeName 15 FetchSE",
    ":AttributeName 16 FetchS",    ":AttributeName 17 FetchSW",  ":AttributeName 18 FetchW",
    ":AttributeName 19 FetchNW",   ":AttributeName 20 FetchN"};

std::string class_name(const Run& run, int c) {  // c from 1
    const auto& names = run.grid.class_names;
    return c >= 1 && c <= static_cast<int>(names.size()) ? names[static_cast<std::size_t>(c - 1)]
                                                         : std::string();
}

const Grid<float>* class_grid(const Run& run, int c) {
    const auto& classes = run.grid.classes;
    return c >= 1 && c <= static_cast<int>(classes.size())
               ? &classes[static_cast<std::size_t>(c - 1)]
               : nullptr;
}

void header(OutputFile& f, const Run& run, const out::Span& span, int split) {
    using namespace field;
    const MapHeader& h = run.hdr;
    const int n_kept = out::cells_kept(run);
    out::r2c_opening(f);
    f.line(padded(":Application             TALVIREN", 40));
    f.line(padded(":Version                 10", 40));
    f.line(key20(":WrittenBy") + A(run.answers.initials, 40));
    f.line(key20(":CreationDate") + out::creation_date());
    f.line(out::hash40());
    f.line("#---------------------------------------");
    f.line(key20(":SourceFileName") + A(run.answers.map_file, 40));
    f.line(":NominalGridSize_AL " + F(run.al, 12, 3));
    f.line(":ContourInterval    " + F(h.cintv, 12, 3));
    f.line(":ImperviousArea     " + F(h.aimpr, 12, 3));
    f.line(":ClassCount         " + I(h.ntype + 1 + split, 12));
    f.line(":NumRiverClasses    " + I(run.nrvr, 12));
    f.line(":ElevConversion     " + F(h.elvconv, 12, 3));
    f.line(":TotalNumOfGrids    " + I(n_kept, 12));
    f.line(":numGridsInBasin    " + I(out::cells_in_basin(run), 12));
    f.line(":DebugGridNo        " + I(n_kept / 2, 12));
    f.line(out::hash40());
    f.line("#effective nca %    " + F(100.0f * run.answers.nca_fraction, 15, 5));
    f.line("#center deltaX  km  " + F(run.center_dx_km, 15, 5));
    f.line("#center deltaY  km  " + F(run.center_dy_km, 15, 5));
    f.line(out::hash40());
    f.line(key20(":Projection") + A(h.projection, 10));
    if (h.projection == "UTM") f.line(key20(":Zone") + A(h.zone, 10));
    f.line(key20(":Ellipsoid") + A(h.datum1, 10));
    f.line(out::hash40());
    f.line(key20(":xOrigin") + F(span.xorigin, 15, 5));
    f.line(key20(":yOrigin") + F(span.yorigin, 15, 5));
    f.line(out::hash40());
    for (const char* a : kFixedAttributes) f.line(padded(a, 30));
}

void header_tail(OutputFile& f, const Run& run, const out::Span& span, int split) {
    using namespace field;
    const int nclass = run.hdr.ntype + 1;
    int attr = 21;
    for (int j = 1; j <= split; ++j) {
        f.line(":AttributeName" + I(attr++, 3) + " " + A(class_name(run, j), 20));
        f.line(":AttributeName" + I(attr++, 3) + " nca_" + A(class_name(run, j), 20));
    }
    for (int c = split + 1; c <= nclass; ++c)
        f.line(":AttributeName" + I(attr++, 3) + " " + A(class_name(run, c), 20));
    f.line(out::hash40());
    f.line(key20(":xCount") + I(span.cols, 12));
    f.line(key20(":yCount") + I(span.rows, 12));
    f.line(key20(":xDelta") + F(run.hdr.xdelta, 15, 5));
    f.line(key20(":yDelta") + F(run.hdr.ydelta, 15, 5));
    f.line(out::hash40());
    f.line(padded(":EndHeader", 40));
}

void float_block(OutputFile& f, const out::Span& span, const Grid<float>& g, FloatField fld) {
    out::write_block(f, span, kPerLine,
                     [&](std::string& b, int i, int j) { fld.put(b, g.at_or(i, j, 0.0f)); });
}

void int_block(OutputFile& f, const out::Span& span, const Grid<int>& g, int w) {
    IntField fld(w);
    out::write_block(f, span, kPerLine,
                     [&](std::string& b, int i, int j) { fld.put(b, g.at_or(i, j, 0)); });
}

// The "-ve slopes found" question: true when the user lets the minimum slope
// replace them. At the end of the input the answer is "n".
bool accept_min_slope(const Run& run, Console& con, const out::Span& span) {
    const BasinGrid& g = run.grid;
    bool found = false;
    for (int i = span.row0; i <= span.row1 && !found; ++i)
        for (int j = span.col0; j <= span.col1; ++j)
            if (g.slope.at_or(i, j, 0.0f) <= 0.0f && g.frac.at_or(i, j, 0.0f) > 0.0f) {
                found = true;
                break;
            }
    if (!found) return false;
    con.say();
    con.say("-ve slopes found");
    con.say("You must fix the drainage directions &/or elevations");
    con.say("to fix the problem. However, you can allow zel.exe to");
    con.say("set these as the min. slope");
    con.say("Would you like to proceed this way");
    con.say("and accept responsibility  y/n");
    std::string answer;
    con.read_line(answer);
    std::size_t first = answer.find_first_not_of(" \t");
    if (first == std::string::npos || answer[first] != 'y') return false;
    con.say();
    con.say("-ve slopes eliminated");
    return true;
}

}  // namespace

void write_new_shd(Run& run, Console& con) {
    const std::string name = "new_shd.r2c";
    OutputFile f;
    if (!f.open(name)) {
        con.say(" Problems opening the new_shd.r2c file ");
        con.say(" Possible cause: file open or read only");
        con.say();
        stop(" Program ZEL aborted @ 1966");
    }
    const BasinGrid& g = run.grid;
    const out::Span span = out::written_span(run);
    const int split = run.answers.nca_classes;

    header(f, run, span, split);
    if (split < 0 || split > 3) {
        f.discard();
        con.say("Too many class splits - ony first 3 allowed");
        stop("Program aborted in ZEL @ 2504");
    }
    header_tail(f, run, span, split);

    int frame = 0;
    auto written = [&] { con.line(" frame= ", ++frame, " written"); };
    const int rank_width = out::cells_kept(run) > 9999 ? 6 : 5;

    int_block(f, span, g.rank, rank_width);
    written();
    int_block(f, span, g.next, rank_width);
    written();
    float_block(f, span, run.nca_in_use ? g.contrib_da : g.da,
                FloatField(FloatField::e, 12, 7, true));
    written();
    float_block(f, span, g.bankfull, FloatField(FloatField::f, 10, 3, true));
    written();

    if (accept_min_slope(run, con, span)) {
        FloatField fld(FloatField::f, 10, 7, true);
        const float min_slope = run.min_slope;
        out::write_block(f, span, kPerLine, [&](std::string& b, int i, int j) {
            float s = g.slope.at_or(i, j, 0.0f);
            if (s <= 0.0f && g.frac.at_or(i, j, 0.0f) > 0.0f) s = min_slope;
            fld.put(b, s);
        });
    } else {
        float_block(f, span, g.slope, FloatField(FloatField::f, 10, 7, true));
    }
    written();
    float_block(f, span, g.elev, FloatField(FloatField::f, 8, 1, true));
    written();
    float_block(f, span, g.channel_length, FloatField(FloatField::f, 8, 0, true));
    written();
    int_block(f, span, g.river_class, 5);
    written();
    {
        // Interflow slopes of the cells that drain into the network, placed at
        // their squares; removed cells keep 0 like every other attribute.
        Grid<float> int_slope(g.rank.rows(), g.rank.cols(), 0.0f);
        const CellTable& cells = run.cells;
        const int last = std::min<int>(run.naa, static_cast<int>(cells.int_slope.size()) - 1);
        for (int n = 1; n <= last; ++n) {
            if (n >= static_cast<int>(cells.row.size()) || n >= static_cast<int>(cells.col.size()))
                break;
            const int i = cells.row[static_cast<std::size_t>(n)];
            const int j = cells.col[static_cast<std::size_t>(n)];
            if (int_slope.inside(i, j) && g.rank(i, j) >= 1)
                int_slope(i, j) = cells.int_slope[static_cast<std::size_t>(n)];
        }
        float_block(f, span, int_slope, FloatField(FloatField::f, 10, 7, true));
    }
    written();
    int_block(f, span, g.channels, 4);
    written();
    int_block(f, span, g.reach, 5);
    written();
    float_block(f, span, run.nca_in_use ? g.contrib_area : g.frac,
                FloatField(FloatField::e, 12, 7, true));
    written();

    // Fetch is held in grid-square sides; the file wants metres.
    const float al = run.al;
    for (const Grid<float>& fetch : g.fetch) {
        FloatField fld(FloatField::f, 10, 0, false);
        out::write_block(f, span, kPerLine, [&](std::string& b, int i, int j) {
            fld.put(b, fetch.at_or(i, j, 0.0f) * al);
        });
        written();
    }

    const int nclass = run.hdr.ntype + 1;
    static const Grid<float> kNone;
    auto fraction_block = [&](const Grid<float>* cls, auto scale) {
        const Grid<float>& c = cls ? *cls : kNone;
        FloatField fld(FloatField::f, 8, 3, true);
        out::write_block(f, span, kPerLine, [&](std::string& b, int i, int j) {
            fld.put(b, scale(i, j, c.at_or(i, j, 0.0f)));
        });
    };
    auto plain = [](int, int, float v) { return v; };
    if (split > 0) {
        if (!run.nca_grid_held) {
            f.discard();
            stop("nca not allocated");
        }
        const int xcount = run.hdr.xcount;
        con.line(run.window.west, run.window.east, run.hdr.ycount, xcount);
        const Grid<float>& nca = g.nca_fraction;
        for (int j = 1; j <= split; ++j) {
            const std::string cname(rtrim(class_name(run, j)));
            const Grid<float>* cls = class_grid(run, j);
            auto row_notes = [&] {
                for (int i = span.row0; i <= span.row1; ++i)
                    con.line(i, j, run.window.west + 1, xcount - run.window.east);
            };
            con.say("# " + cname);
            fraction_block(
                cls, [&](int i, int c, float v) { return (1.0f - nca.at_or(i, c, 0.0f)) * v; });
            row_notes();
            written();
            con.say("# nca_" + cname);
            fraction_block(cls, [&](int i, int c, float v) { return nca.at_or(i, c, 0.0f) * v; });
            row_notes();
            written();
        }
        con.say("end of writing split classes");
    }
    for (int c = split + 1; c <= nclass; ++c) {
        con.say("# " + std::string(rtrim(class_name(run, c))));
        fraction_block(class_grid(run, c), plain);
        written();
    }

    out::commit_or_stop(f);
    con.say("new_shd.r2c written");
    con.say();
}
