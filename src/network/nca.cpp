#include "network/nca.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <new>
#include <vector>

#include "common/big_memory.hpp"
#include "common/console.hpp"
#include "common/free_format.hpp"
#include "common/output_file.hpp"
#include "common/projection.hpp"
#include "common/responses.hpp"
#include "common/run.hpp"
#include "mapfile/map_input.hpp"
#include "common/stop.hpp"
#include "ensim/r2s_reader_header.hpp"

namespace {

// Index 0..count-1 of the model square that holds a pixel corner at `offset`
// from the model origin, or -1 outside. Truncation is towards zero, so a
// corner less than one square west or south of the grid still lands on 0.
int square_index(double offset, double delta, int count) {
    double v = offset / delta;
    if (!(v > -1.0) || !(v < count)) return -1;
    return static_cast<int>(v);
}

void append_float(std::string& out, float v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (r.ec != std::errc()) r = std::to_chars(buf, buf + sizeof buf, v);
    out.push_back(' ');
    out.append(buf, r.ptr);
}

[[noreturn]] void bad_header(const std::string& fault) {
    stop_lines({fault, "Program aborted in non_da"});
}

// Reads nca.r2s into `fraction`; false when there is no file.
bool non_ca(const MapHeader& mh, Grid<float>& fraction, Run& run) {
    Console& con = run.con;
    con.say("********************************************************");
    con.say("*                                                      *");
    con.say("*                  TALVIREN (TM)                       *");
    con.say("*                                                      *");
    con.say("*           Subroutine non_ca   June 9, 2011           *");
    con.say("*               Revised  Jan. 21, 2015                 *");
    con.say("*                                                      *");
    con.say("*                                                      *");
    con.say("********************************************************");

    const std::string name = kNcaFile;
    if (!file_exists(name)) return false;

    con.say("nca.r2s file found");
    con.say("non-contributing areas will be subtracted from frac for");
    con.say("for each cell");
    con.say("You can not subtract nca from frac if you want to split");
    con.say("land cover classes into contributing & non-contributing");
    TextReader reader;
    int error = 0;
    if (!readable_file(name) || !reader.load(name, error)) {
        con.say("problems opening file= " + name);
        stop("Program aborted in non_da @ 49");
    }
    con.say("opened input file: " + name);

    // The header is read by keyword, so any layout of the usual keywords works.
    R2sHeader h = scan_r2s_header(reader, {});
    if (h.problem != R2sHeader::Problem::none) bad_header(r2s_header_fault(h, name));
    const std::optional<Projection> projection = parse_r2s_projection(h.projection);
    if (!projection) {
        con.say(" Valid format (UTM, CARTESIAN, or LATLONG) not found");
        con.line("coordsys found=", h.projection);
        stop("Program aborted in non_da@ 89");
    }
    con.line(":Projection", projection_name(*projection));
    if (*projection == Projection::utm) {
        con.line(":Zone", h.zone);
        con.line(":Ellipsoid", h.datum1);
    } else if (*projection == Projection::latlong) {
        con.line(":Ellipsoid", h.datum1);
    }
    con.line(":xOrigin", num(h.xorigin));
    con.line(":yOrigin", num(h.yorigin));
    con.line(":xCount", h.xcount);
    con.line(":yCount", h.ycount);
    con.line(":xDelta", num(h.xdelta));
    con.line(":yDelta", num(h.ydelta));
    std::string fault = r2s_header_fault(h, name);
    if (!fault.empty()) bad_header(fault);

    const int ny = mh.ycount, nx = mh.xcount;
    std::vector<std::uint32_t> in_nca, other;
    const double bytes =
        static_cast<double>(ny) * static_cast<double>(nx) * 2 * sizeof(std::uint32_t);
    if (!fits_in_memory(bytes)) stop("**Allocation failed for nca in non_da @ 57**");
    try {
        in_nca.assign(static_cast<std::size_t>(ny) * nx, 0);
        other.assign(in_nca.size(), 0);
    } catch (const std::exception&) {
        stop("**Allocation failed for nca in non_da @ 57**");
    }

    con.say(" reading the nca file ");
    con.say("Grid extents of non-contributing areas:");
    con.line("xorigin_nca", num(h.xorigin));
    con.line("eastlimit", num(h.xorigin + h.xcount * h.xdelta));
    con.line("yorigin_nca", num(h.yorigin));
    con.line("northlimit", num(h.yorigin + h.ycount * h.ydelta));

    con.say(" counting pixels ");
    run.log_line("   class   col  row   total   # in class");
    // Each pixel counts where its north-east corner lies. Rows are taken value
    // by value, so a raster row of any length needs no buffer.
    long long counted = 0;
    for (int j = 1; j <= h.ycount; ++j) {
        const int o = square_index(h.yorigin - mh.yorigin + j * h.ydelta, mh.ydelta, ny);
        const std::size_t base = o < 0 ? 0 : static_cast<std::size_t>(o) * nx;
        ReadStatus st = reader.read_reals_each(
            static_cast<std::size_t>(h.xcount), [&](std::size_t k, float value) {
                if (o < 0) return;
                const int t = square_index(
                    h.xorigin - mh.xorigin + static_cast<double>(k + 1) * h.xdelta, mh.xdelta, nx);
                if (t < 0) return;
                ++counted;
                if (value == 1.0f)
                    ++in_nca[base + static_cast<std::size_t>(t)];
                else
                    ++other[base + static_cast<std::size_t>(t)];
            });
        if (!st) {
            if (st.code == ReadStatus::bad_value)
                bad_header(name + " line " + std::to_string(st.line) + ": the value \"" + st.text +
                           "\" in row " + std::to_string(j) + " is not a number");
            bad_header(name + ": the data end at line " + std::to_string(st.line) + ", in row " +
                       std::to_string(j) + " of " + std::to_string(h.ycount) + " (" +
                       std::to_string(h.xcount) + " values a row)");
        }
    }
    if (counted == 0) {
        con.say("No pixel of " + name + " lies inside the model grid:");
        con.say("the non-contributing fraction is 0 everywhere");
    }

    con.say(" calculating the nca on each cell ");
    fraction.assign(ny, nx, 0.0f);
    float* f = fraction.values().data();
    for (std::size_t k = 0; k < in_nca.size(); ++k) {
        std::uint64_t total = std::uint64_t{in_nca[k]} + other[k];
        if (total > 0) f[k] = static_cast<float>(in_nca[k]) / static_cast<float>(total);
    }

    con.say(" writing the nca.xyz file ");
    OutputFile xyz;
    if (run.dry) {
        // A check or a query writes nothing.
    } else if (!xyz.open("nca.xyz")) {
        con.line("Unable to write nca.xyz, error", xyz.error_code(), "- the run goes on");
    } else {
        std::string& buf = xyz.buffer();
        for (int j = 1; j <= ny; ++j) {
            float y = static_cast<float>(mh.yorigin + (j - 0.5) * mh.ydelta);
            for (int k = 1; k <= nx; ++k) {
                append_float(buf, static_cast<float>(mh.xorigin + (k - 0.5) * mh.xdelta));
                append_float(buf, y);
                append_float(buf, fraction(j, k));
                buf.push_back('\n');
            }
            xyz.flush_if_large();
        }
        if (!run.outputs.finish(xyz))
            con.line("Unable to write nca.xyz, error", xyz.error_code(), "- the run goes on");
        else
            con.say("nca.xyx written");
    }
    con.say();
    con.say(" done computing non contributing areas");
    return true;
}

}  // namespace

NonContributing non_contributing_areas(const MapHeader& hdr, const Grid<float>& frac_2d,
                                       const Responses& answers, Run& run) {
    NonContributing nca;
    if (answers.adjust_nca != 'y') {
        run.con.say("frac will NOT be adjusted for nca");
        run.con.say("but the class areas may be depending on your answer");
        return nca;
    }
    if (!non_ca(hdr, nca.fraction, run)) return nca;
    nca.held = true;
    if (!answers.nca_choice1) return nca;

    // Choice 1: each square contributes its area less the chosen share of its
    // non-contributing part, and never less than 1 m2. A share of 0 gives the
    // whole area (the network adds up this grid whenever it is in use).
    nca.in_use = true;
    const float share = answers.nca_fraction;
    nca.contrib_area.assign(frac_2d.rows(), frac_2d.cols(), 0.0f);
    const auto& fraction = nca.fraction.values();
    auto& contrib = nca.contrib_area.values();
    for (std::size_t k = 0; k < contrib.size(); ++k) {
        const float x = k < fraction.size() ? fraction[k] : 0.0f;
        contrib[k] = std::max((1.0f - share * x) * frac_2d.values()[k], 1.0f);
    }
    return nca;
}
