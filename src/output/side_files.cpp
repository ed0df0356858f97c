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

// Values a line of a single-grid r2c file.
constexpr int kGridValuesPerLine = 9999;

// One elevation grid over the written window, with the header of a single
// grid (projection and datum those of dem.r2s).
void write_elevation_grid(const WrittenBasin& b, const Grid<float>& source, const char* title,
                          const char* file_name, Run& run) {
    const Window& w = b.shed.window;
    GridHeader gh = b.dem->dem;
    gh.author = "talviren/zel";
    gh.name = title;
    gh.xorigin = w.xorigin;
    gh.yorigin = w.yorigin;
    gh.xcount = w.cols;
    gh.ycount = w.rows;
    gh.xdelta = b.map.hdr.xdelta;
    gh.ydelta = b.map.hdr.ydelta;
    gh.source_file = "dem.r2s";
    gh.sample_date = "unknown";
    gh.sample_time = "unknown";
    gh.unit_conversion = 0;

    const std::string name = file_name;
    R2cWriter file(kGridValuesPerLine);
    if (!file.open(name)) {
        Console& con = run.con;
        con.say();
        con.line("Unable to open file", name.substr(0, 40));
        con.line("ios = ", file.error_code());
        con.say("Possible cause(s):");
        con.say("file in use by another application");
        con.say("or target directory does not exist");
        con.say("or New event files req`d for the new");
        con.say("wind and temp. difference files");
        stop("in write_r2c @ L83");
    }
    constexpr int kUnit = 99;
    if (run.iopt >= 1) {
        run.con.say();
        run.con.line("In write_r2c opened unit=", kUnit, " filename=", name);
    }
    write_grid_header(file, gh, 1);
    file.block(out::written_span(w), field::Field::F(8, 2, true),
               [&](int i, int j) { return out::written(b, source, i, j); });
    if (!run.outputs.finish(file.file()))
        stop_lines({"Unable to write file " + name + " (error " + std::to_string(file.error_code()) + ")",
                    "in write_r2c"});
    const std::string closed = words("Closed unit ", kUnit, " Filename=  ", name.substr(0, 40), "fr #", 1, 1);
    run.log_line(closed);
    run.con.say(closed);
    run.con.say(name + " written");
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

void write_elevation_grids(const WrittenBasin& b, Run& run) {
    if (!b.dem) return;
    write_elevation_grid(b, b.dem->mean, "mean grid elevations", "elv_means.r2c", run);
    write_elevation_grid(b, b.dem->max, "max grid elevations", "elv_max.r2c", run);
}

void write_tvo_spec(const WrittenBasin& b, Run& run) {
    using field::I;
    Console& con = run.con;
    OutputFile f;
    if (!out::open_optional(f, "tvo_spec.new", con)) return;
    const int split = b.answers.nca_classes;
    const int ntype = b.cover.ntype();
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
    out::commit_or_stop(f, run);
    con.say("tvo_spec.new  written");
}

void write_pdl(const WrittenBasin& b, Run& run) {
    using namespace field;
    Console& con = run.con;
    OutputFile f;
    if (!f.open("new.pdl")) {
        con.line(" problems opening file new.pdl   ios=", f.error_code());
        stop("program aborted in inpgrd @ 44");
    }
    const MapHeader& h = b.map.hdr;
    const Window& w = b.shed.window;
    const bool latlong = out::is_latlong(h);
    const int d = latlong ? 5 : 3;

    // The centre of the written window.
    const double x = static_cast<double>(h.xorigin) +
                     (w.west + w.cols / 2.0) * static_cast<double>(h.xdelta);
    const double y = static_cast<double>(h.yorigin) +
                     (w.south + w.rows / 2.0) * static_cast<double>(h.ydelta);
    std::string station;
    put_fixed(station, x, latlong ? 6 : 3);
    station += ' ';
    put_fixed(station, y, latlong ? 6 : 3);
    station += "  centerville";
    const std::string xy10 = F(x, 10, 0) + F(y, 10, 0) + "  centerville";

    f.line("#");
    f.line(":FileType             zelm.pdl");
    f.line(":CoordSys           " + A(h.projection.text, 10));
    f.line(":datum1              " + A(h.datum1, 10));
    f.line(":Zone               " + A(h.zone, 10));
    f.line("#");
    f.line(":xOrigin            " + F(w.xorigin, 12, d));
    f.line(":yOrigin            " + F(w.yorigin, 12, d));
    f.line("#");
    f.line(":xCount             " + I(w.cols, 12));
    f.line(":yCount             " + I(w.rows, 12));
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
    out::commit_or_stop(f, run);
    con.say("new.pdl  written");
    con.say();
}

void wetland_split_notice(float split, Run& run) {
    Console& con = run.con;
    if (!(split > 0)) return;
    // Rounded down, allowing for the share being held in single precision
    // (0.29 is a little below 29 %).
    const long long percent =
        static_cast<long long>(std::floor(static_cast<double>(split) * 100.0 + 1e-4));
    con.say();
    con.line("The value entered for \"split\" =", percent);
    con.say("Another land cover class was be added to the");
    con.say("new_shd.r2c file");
    con.say("Please ensure that the par & sdc files are modified");
    con.say("to accomodate the extra wetland class");
    con.say();
}

void check_fractions(const WrittenBasin& b, Run& run) {
    Console& con = run.con;
    const Network& net = b.net;
    int found = 0;
    for (int n = 1; n <= net.na; ++n) {
        const int i = net.row[static_cast<std::size_t>(n)];
        const int j = net.col[static_cast<std::size_t>(n)];
        // A negative fraction is as wrong as 0 in a cell that drains onwards.
        if (out::written_frac(b, i, j) <= 0.0f && b.shed.next(i, j) >= 1) {
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
