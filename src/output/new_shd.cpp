// new_shd.r2c: the watershed file read by the simulation programs.
#include <string>
#include <vector>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "network/flow_network.hpp"
#include "output/output_support.hpp"
#include "output/outputs.hpp"

namespace {

using field::Field;
using out::key20;

// Values a line of the watershed family's files.
constexpr int kPerLine = 999;
// Ranks and links are I5 up to this many cells, I6 beyond.
constexpr int kMostCellsInI5 = 9999;

// The 20 fixed attributes, in the order of their value blocks.
enum class Layer {
    rank, next, da, bankfull, slope, elev, channel_length, iak, int_slope, channels, reach,
    grid_area, fetch_ne, fetch_e, fetch_se, fetch_s, fetch_sw, fetch_w, fetch_nw, fetch_n
};
struct Attribute {
    const char* name;
    Layer layer;
    Field field;  // ranks and links take I6 instead of I5 beyond 9999 cells
};
constexpr Attribute kAttributes[20] = {
    {"Rank", Layer::rank, Field::I(5)},
    {"Next", Layer::next, Field::I(5)},
    {"DA", Layer::da, Field::E(12, 7, true)},
    {"Bankfull", Layer::bankfull, Field::F(10, 3, true)},
    {"ChnlSlope", Layer::slope, Field::F(10, 7, true)},
    {"Elev", Layer::elev, Field::F(8, 1, true)},
    {"ChnlLength", Layer::channel_length, Field::F(8, 0, true)},
    {"IAK", Layer::iak, Field::I(5)},
    {"IntSlope", Layer::int_slope, Field::F(10, 7, true)},
    {"Chnl", Layer::channels, Field::I(4)},
    {"Reach", Layer::reach, Field::I(5)},
    {"GridArea", Layer::grid_area, Field::E(12, 7, true)},
    {"FetchNE", Layer::fetch_ne, Field::F(10, 0)},
    {"FetchE", Layer::fetch_e, Field::F(10, 0)},
    {"FetchSE", Layer::fetch_se, Field::F(10, 0)},
    {"FetchS", Layer::fetch_s, Field::F(10, 0)},
    {"FetchSW", Layer::fetch_sw, Field::F(10, 0)},
    {"FetchW", Layer::fetch_w, Field::F(10, 0)},
    {"FetchNW", Layer::fetch_nw, Field::F(10, 0)},
    {"FetchN", Layer::fetch_n, Field::F(10, 0)},
};

std::string attribute_line(int number, const char* name) {
    return padded(":AttributeName " + std::to_string(number) + " " + name, 30);
}

std::string class_name(const LandCover& cover, int c) {  // c from 1
    const auto& names = cover.class_names;
    return c >= 1 && c <= static_cast<int>(names.size()) ? names[static_cast<std::size_t>(c - 1)]
                                                         : std::string();
}

void header(R2cWriter& f, const WrittenBasin& b, int split) {
    using namespace field;
    const MapHeader& h = b.map.hdr;
    const Window& w = b.shed.window;
    write_r2c_opening(f);
    f.line(padded(":Application             TALVIREN", 40));
    f.line(padded(":Version                 10", 40));
    f.line(key20(":WrittenBy") + A(b.answers.initials, 40));
    f.line(key20(":CreationDate") + creation_date());
    f.line(out::hash40());
    f.line("#---------------------------------------");
    f.line(key20(":SourceFileName") + A(b.answers.map_file, 40));
    f.line(":NominalGridSize_AL " + F(b.net.areas.al, 12, 3));
    f.line(":ContourInterval    " + F(h.cintv, 12, 3));
    f.line(":ImperviousArea     " + F(h.aimpr, 12, 3));
    f.line(":ClassCount         " + I(b.cover.ntype() + 1 + split, 12));
    f.line(":NumRiverClasses    " + I(b.map.nrvr, 12));
    f.line(":ElevConversion     " + F(h.elvconv, 12, 3));
    f.line(":TotalNumOfGrids    " + I(b.shed.cells, 12));
    f.line(":numGridsInBasin    " + I(b.shed.in_basin(), 12));
    f.line(":DebugGridNo        " + I(b.shed.cells / 2, 12));
    f.line(out::hash40());
    f.line("#effective nca %    " + F(100.0f * b.answers.nca_fraction, 15, 5));
    f.line("#center deltaX  km  " + F(b.net.areas.center_dx_km, 15, 5));
    f.line("#center deltaY  km  " + F(b.net.areas.center_dy_km, 15, 5));
    f.line(out::hash40());
    f.line(key20(":Projection") + A(h.projection.text, 10));
    if (h.projection.named(Projection::utm)) f.line(key20(":Zone") + A(h.zone, 10));
    f.line(key20(":Ellipsoid") + A(h.datum1, 10));
    f.line(out::hash40());
    f.line(key20(":xOrigin") + F(w.xorigin, 15, 5));
    f.line(key20(":yOrigin") + F(w.yorigin, 15, 5));
    f.line(out::hash40());
    for (int a = 0; a < 20; ++a) f.line(attribute_line(a + 1, kAttributes[a].name));
}

void header_tail(R2cWriter& f, const WrittenBasin& b, int split) {
    using namespace field;
    const int nclass = b.cover.ntype() + 1;
    int attr = 21;
    for (int j = 1; j <= split; ++j) {
        f.line(":AttributeName" + I(attr++, 3) + " " + A(class_name(b.cover, j), 20));
        f.line(":AttributeName" + I(attr++, 3) + " nca_" + A(class_name(b.cover, j), 20));
    }
    for (int c = split + 1; c <= nclass; ++c)
        f.line(":AttributeName" + I(attr++, 3) + " " + A(class_name(b.cover, c), 20));
    f.line(out::hash40());
    f.line(key20(":xCount") + I(b.shed.window.cols, 12));
    f.line(key20(":yCount") + I(b.shed.window.rows, 12));
    f.line(key20(":xDelta") + F(b.map.hdr.xdelta, 15, 5));
    f.line(key20(":yDelta") + F(b.map.hdr.ydelta, 15, 5));
    f.line(out::hash40());
    f.line(padded(":EndHeader", 40));
}

// The "-ve slopes found" question: true when the user lets the minimum slope
// replace them. At the end of the input the answer is "n".
bool accept_min_slope(const WrittenBasin& b, const Span& span, Console& con) {
    bool found = false;
    for (int i = span.row0; i <= span.row1 && !found; ++i)
        for (int j = span.col0; j <= span.col1; ++j)
            if (out::written(b, b.net.slope, i, j) <= 0.0f && out::written_frac(b, i, j) > 0.0f) {
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

// One fixed attribute's block.
void write_layer(R2cWriter& f, const WrittenBasin& b, const Span& span, const Attribute& a,
                 float min_slope, bool replace_slopes) {
    using out::written;
    const Network& net = b.net;
    Field fld = a.field;
    switch (a.layer) {
        case Layer::rank:
        case Layer::next: {
            if (b.shed.cells > kMostCellsInI5) fld.w = 6;
            const Grid<int>& g = a.layer == Layer::rank ? b.shed.rank : b.shed.next;
            return f.block(span, fld, [&](int i, int j) { return g(i, j); });
        }
        case Layer::da: {
            const Grid<float>& g = b.nca.in_use ? net.contrib_da : net.da;
            return f.block(span, fld, [&](int i, int j) { return written(b, g, i, j); });
        }
        case Layer::bankfull:
            return f.block(span, fld, [&](int i, int j) { return written(b, b.cover.bankfull, i, j); });
        case Layer::slope:
            return f.block(span, fld, [&](int i, int j) {
                float s = written(b, net.slope, i, j);
                if (replace_slopes && s <= 0.0f && out::written_frac(b, i, j) > 0.0f) s = min_slope;
                return s;
            });
        case Layer::elev:
            return f.block(span, fld, [&](int i, int j) { return written(b, b.map.elev, i, j); });
        case Layer::channel_length:
            return f.block(span, fld, [&](int i, int j) { return written(b, net.channel_length, i, j); });
        case Layer::iak:
            return f.block(span, fld, [&](int i, int j) { return written(b, b.map.river_class, i, j); });
        case Layer::int_slope:
            // The interflow slope of the cells that drain into the network
            // (old numbers 1..naa), at their squares.
            return f.block(span, fld, [&](int i, int j) {
                if (!b.shed.kept(i, j)) return 0.0f;
                const int n = net.rank(i, j);
                return n >= 1 && n <= net.naa ? net.int_slope[static_cast<std::size_t>(n)] : 0.0f;
            });
        case Layer::channels:
            return f.block(span, fld, [&](int i, int j) { return written(b, b.map.channels, i, j); });
        case Layer::reach:
            return f.block(span, fld, [&](int i, int j) { return written(b, b.map.reach, i, j); });
        case Layer::grid_area:
            return f.block(span, fld, [&](int i, int j) { return out::written_area(b, i, j); });
        default: {
            // Fetch is held in grid-square sides; the file wants metres.
            const auto d = static_cast<std::size_t>(a.layer) - static_cast<std::size_t>(Layer::fetch_ne);
            const Grid<float>& g = b.fetch[d];
            const float al = net.areas.al;
            return f.block(span, fld, [&](int i, int j) { return written(b, g, i, j) * al; });
        }
    }
}

}  // namespace

void write_new_shd(const WrittenBasin& b, Run& run) {
    Console& con = run.con;
    R2cWriter f(kPerLine);
    if (!f.open("new_shd.r2c")) {
        con.say(" Problems opening the new_shd.r2c file ");
        con.say(" Possible cause: file open or read only");
        con.say();
        stop(" Program ZEL aborted @ 1966");
    }
    const Span span = out::written_span(b.shed.window);
    const int split = b.answers.nca_classes;

    header(f, b, split);
    if (split < 0 || split > 3) {
        f.discard();
        con.say("Too many class splits - ony first 3 allowed");
        stop("Program aborted in ZEL @ 2504");
    }
    header_tail(f, b, split);

    int frame = 0;
    auto written = [&] { con.line(" frame= ", ++frame, " written"); };
    bool replace_slopes = false;
    const float min_slope = clamp_min_slope(b.answers.min_slope);
    for (const Attribute& a : kAttributes) {
        // The slope question comes before the slope block.
        if (a.layer == Layer::slope) replace_slopes = accept_min_slope(b, span, con);
        write_layer(f, b, span, a, min_slope, replace_slopes);
        written();
    }

    const int nclass = b.cover.ntype() + 1;
    static const Grid<float> kNone;
    auto fraction_block = [&](int c, auto scale) {
        const Grid<float>& cls =
            c >= 1 && c <= nclass ? b.cover.classes[static_cast<std::size_t>(c - 1)] : kNone;
        f.block(span, Field::F(8, 3, true), [&](int i, int j) {
            return cls.empty() ? 0.0f : scale(i, j, out::written(b, cls, i, j));
        });
    };
    auto plain = [](int, int, float v) { return v; };
    if (split > 0) {
        if (!b.nca.held) {
            f.discard();
            stop("nca not allocated");
        }
        const Window& w = b.shed.window;
        const int xcount = b.map.hdr.xcount;
        con.line(w.west, w.east, b.map.hdr.ycount, xcount);
        const Grid<float>& nca = b.nca.fraction;
        for (int j = 1; j <= split; ++j) {
            const std::string cname(rtrim(class_name(b.cover, j)));
            auto row_notes = [&] {
                for (int i = span.row0; i <= span.row1; ++i) con.line(i, j, w.west + 1, xcount - w.east);
            };
            con.say("# " + cname);
            fraction_block(j, [&](int i, int c, float v) { return (1.0f - nca(i, c)) * v; });
            row_notes();
            written();
            con.say("# nca_" + cname);
            fraction_block(j, [&](int i, int c, float v) { return nca(i, c) * v; });
            row_notes();
            written();
        }
        con.say("end of writing split classes");
    }
    for (int c = split + 1; c <= nclass; ++c) {
        con.say("# " + std::string(rtrim(class_name(b.cover, c))));
        fraction_block(c, plain);
        written();
    }

    out::commit_or_stop(f, run);
    con.say("new_shd.r2c written");
    con.say();
}
