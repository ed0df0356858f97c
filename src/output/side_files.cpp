// The files written beside new_shd.r2c: the DEM elevation grids, tvo_spec.new,
// new.pdl; the wetland-split notice and the fraction check.
#include <cmath>
#include <string>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "ensim/r2c_writer.hpp"
#include "output/output_support.hpp"
#include "output/outputs.hpp"

namespace {

void write_elevation_grid(Run& run, Console& con, const out::Span& span, const Grid<float>& source,
                          const char* title, const char* file) {
    GridHeader& gh = run.gh;
    gh.author = "talviren/zel";
    gh.name = title;
    gh.xorigin = static_cast<float>(span.xorigin);
    gh.yorigin = static_cast<float>(span.yorigin);
    gh.xcount = span.cols;
    gh.ycount = span.rows;
    gh.xdelta = run.hdr.xdelta;
    gh.ydelta = run.hdr.ydelta;
    gh.source_file = "dem.r2s";
    gh.sample_date = "unknown";
    gh.sample_time = "unknown";
    gh.unit_conversion = 0;

    Grid<float>& grid = run.output_grid;
    grid.assign(span.rows, span.cols, 0.0f);
    for (int r = 1; r <= span.rows; ++r)
        for (int c = 1; c <= span.cols; ++c)
            grid(r, c) = source.at_or(span.row0 + r - 1, span.col0 + c - 1, 0.0f);

    run.fln[99] = file;
    write_r2c(run, con, 99, 99, 0, 1, 0, 0, 12);
    write_r2c(run, con, 99, 99, 0, 1, 0, 1, 12);
    con.say(std::string(file) + " written");
}

const char* const kFixedTvo[13] = {" Temperature",
                                   " Precipitation",
                                   " Cumulative Precipitation ",
                                   " Lower Zone Storage Class ",
                                   " Ground Water Discharge m^3/s ",
                                   " Grid Runoff",
                                   " Grid Outflow",
                                   " Weighted SWE",
                                   " Wetland Depth",
                                   " Channel Depth",
                                   " Wetland Storage in m^3",
                                   " Wetland Outflow in m^3/s",
                                   " Cummullative ET"};
const char kFixedTvoSwitch[13] = {'1', '0', '1', '0', '0', '0', '1', '1', '0', '0', '0', '0', '1'};

const char* const kTvoGroups[15] = {" Depression Storage Class ",
                                    " Depression Storage (Snow) Class ",
                                    " Snow Water Equivalent Class ",
                                    " Snow Covered Area Class ",
                                    " Upper Zone Storage Class ",
                                    " Upper Zone Storage (Snow) Class ",
                                    " Surface Flow m^3/s Class ",
                                    " Surface Flow (snow) m^3/s Class ",
                                    " Interflow m^3/s Class ",
                                    " Interflow (snow) m^3/s Class",
                                    " Recharge mm Class ",
                                    " Recharge mm (snow) Class ",
                                    " PET (average) mm Class ",
                                    " ET (cummulative) mm Class ",
                                    " Sublimation Cummulative) mm (snow) Class "};

}  // namespace

void write_elevation_grids(Run& run, Console& con) {
    if (!run.dem_done) return;
    const out::Span span = out::written_span(run);
    write_elevation_grid(run, con, span, run.grid.dem_mean, "mean grid elevations",
                         "elv_means.r2c");
    write_elevation_grid(run, con, span, run.grid.dem_max, "max grid elevations", "elv_max.r2c");
}

void write_tvo_spec(Run& run, Console& con) {
    using field::I;
    OutputFile f;
    if (!f.open("tvo_spec.new")) {
        con.say(" unable to open a new tvo_spec.new file");
        con.say(" program not aborted but file not written");
        con.say();
        return;
    }
    const int split = run.answers.nca_classes;
    const int ntype = run.hdr.ntype;
    f.line("  4.0 Version Number");
    f.line(I(15 * (ntype + split) + 28, 5) + " AttributeCount");
    f.line("   24 ReportingTimeStep Hours");
    f.line("    0 Start Reporting Time for GreenKenue (hr)");
    f.line("    0 End Reporting Time for GreenKenue (hr)");
    for (int a = 0; a < 13; ++a) f.line(kFixedTvoSwitch[a] + I(a + 1, 4) + kFixedTvo[a]);
    con.line(split);
    con.wait("kkkkkkk");
    int attr = 14;
    for (const char* text : kTvoGroups)
        for (int c = 1; c <= ntype + split + 1; ++c) {
            std::string line = "0";
            field::put_i(line, attr++, 4);
            line += text;
            field::put_i(line, c, 2);
            f.line(line);
        }
    out::commit_or_stop(f);
    con.say("tvo_spec.new  written");
}

void write_pdl(Run& run, Console& con) {
    using namespace field;
    OutputFile f;
    if (!f.open("new.pdl")) {
        con.line(" problems opening file new.pdl   ios=", f.error_code());
        stop("program aborted in inpgrd @ 44");
    }
    const MapHeader& h = run.hdr;
    const out::Span span = out::written_span(run);
    const bool latlong = out::is_latlong(run);
    const int d = latlong ? 5 : 3;

    // The centre of the written window.
    const double x = static_cast<double>(h.xorigin) +
                     (run.window.west + span.cols / 2.0) * static_cast<double>(h.xdelta);
    const double y = static_cast<double>(h.yorigin) +
                     (run.window.south + span.rows / 2.0) * static_cast<double>(h.ydelta);
    std::string station;
    out::put_fixed(station, x, latlong ? 6 : 3);
    station += ' ';
    out::put_fixed(station, y, latlong ? 6 : 3);
    station += "  centerville";
    const std::string xy10 = F(x, 10, 0) + F(y, 10, 0) + "  centerville";

    f.line("#");
    f.line(":FileType             zelm.pdl");
    f.line(":CoordSys           " + A(h.projection, 10));
    f.line(":datum1              " + A(h.datum1, 10));
    f.line(":Zone               " + A(h.zone, 10));
    f.line("#");
    f.line(":xOrigin            " + F(span.xorigin, 12, d));
    f.line(":yOrigin            " + F(span.yorigin, 12, d));
    f.line("#");
    f.line(":xCount             " + I(span.cols, 12));
    f.line(":yCount             " + I(span.rows, 12));
    f.line(":xDelta             " + F(h.xdelta, 12, d));
    f.line(":yDelta             " + F(h.ydelta, 12, d));
    f.line("#");
    for (const char* kind :
         {":NoPrecipStations     1", ":NoSnowCourses        1", ":NoTempStations       1"}) {
        f.line(kind);
        f.line("#");
        f.line(station);
        f.line("#");
    }
    f.line(":NoFlowStations       1");
    f.line("#");
    f.line(xy10 + " 0.000E+00 0.000E+00 0.000E+00 0.000E+00  0");
    f.line("#");
    f.line(":NoReservoirs         1");
    f.line("#");
    f.line(xy10 + " 0.000E+00 0.000E+00 0.000E+00 0.000E+00  0.000E+00");
    f.line("#");
    f.line(":NoDamageSites        1");
    f.line("#");
    out::commit_or_stop(f);
    con.say("new.pdl  written");
    con.say();
}

void wetland_split_notice(Run& run, Console& con) {
    if (!(run.split > 0)) return;
    // Rounded down, allowing for the share being held in single precision
    // (0.29 is a little below 29 %).
    const long long percent =
        static_cast<long long>(std::floor(static_cast<double>(run.split) * 100.0 + 1e-4));
    con.say();
    con.line("The value entered for \"split\" =", percent);
    con.say("Another land cover class was be added to the");
    con.say("new_shd.r2c file");
    con.say("Please ensure that the par & sdc files are modified");
    con.say("to accomodate the extra wetland class");
    con.say();
}

void check_fractions(Run& run, Console& con) {
    const BasinGrid& g = run.grid;
    const CellTable& cells = run.cells;
    int found = 0;
    for (int n = 1; n <= run.na; ++n) {
        if (n >= static_cast<int>(cells.row.size()) || n >= static_cast<int>(cells.col.size()))
            break;
        const int i = cells.row[static_cast<std::size_t>(n)];
        const int j = cells.col[static_cast<std::size_t>(n)];
        if (!g.frac.inside(i, j) || !g.next.inside(i, j)) continue;
        // A negative fraction is as wrong as 0 in a cell that drains onwards.
        if (g.frac(i, j) <= 0.0f && g.next(i, j) >= 1) {
            con.say("ERROR:");
            con.say("A grid with frac = 0.0 and with a downstream grid");
            con.line("with frac > 0 is found in row ", i, " and col ", j);
            con.line("in grid # ", n);
            ++found;
        }
    }
    if (found == 0) return;
    con.say();
    con.say("Please correct by either setting frac to a proper");
    con.say("value if this(these) grid(s) is(are) in a watershed");
    con.say("OR ");
    con.say("set its(their) elevation to 0.0 if not in the watershed");
    stop("Program aborted in ZEL @ 3836");
}
