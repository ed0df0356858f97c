#include "mapfile/map_header.hpp"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <new>
#include <optional>

#include "common/console.hpp"
#include "common/run.hpp"
#include "mapfile/map_input.hpp"
#include "common/stop.hpp"
#include "mapfile/map_support.hpp"

namespace {

constexpr std::size_t kHeaderLineLength = 80;
constexpr std::size_t kCommentLength = 40;
constexpr std::size_t kMaxComments = 1000;

// The leading '#' lines: kept in the comment store and echoed.
void read_comment_lines(TextReader& map, MapHeader& hdr, Run& run) {
    Console& con = run.con;
    std::string_view line;
    if (!map.next_line(line)) {
        stop_lines({"The map file " + map.name() + " is empty",
                    "in file " + map.name() + " line 1: no header found", " Program aborted"});
    }
    if (line.empty() || (line[0] != '#' && line[0] != ':')) {
        stop_lines(
            {"The map file must be an EnSim free-format file: its first character must be "
             "\"#\" or \":\"",
             "in file " + map.name() + " line 1: found \"" + printable(line) + "\"",
             " Program aborted"});
    }
    con.say();
    con.say("Ensim compatible free format map file expected");
    con.say();
    hdr.comments.clear();
    while (!line.empty() && line[0] == '#') {
        if (hdr.comments.size() < kMaxComments) {
            hdr.comments.emplace_back(line.substr(1, kCommentLength));
        }
        if (!map.next_line(line)) {
            std::size_t n = map.line_number() + 1;
            stop_lines({words("error on line", n, "of file", map.name()), "Please update ZEL.EXE",
                        "",
                        "in file " + map.name() + " line " + std::to_string(n) +
                            ": the file ends inside the header",
                        "Program aborted in ZEL @ 237"});
        }
        std::string echo(rtrim(line.substr(0, 1 + kCommentLength)));
        run.log_line(echo);
        con.say(echo);
    }
}

enum class Kind { text, integer, real };
std::string& projection_text(MapHeader& h) { return h.projection.text; }
std::string& datum_text(MapHeader& h) { return h.datum1; }
std::string& zone_text(MapHeader& h) { return h.zone; }
struct Keyword {
    std::string_view name;
    Kind kind;
    std::string& (*text)(MapHeader&) = nullptr;
    int MapHeader::*integer = nullptr;
    float MapHeader::*real = nullptr;
};

const Keyword kKeywords[] = {
    {":Projection", Kind::text, projection_text},
    {":CoordSys", Kind::text, projection_text},
    {":Ellipsoid", Kind::text, datum_text},
    {":Datum", Kind::text, datum_text},
    {":Zone", Kind::text, zone_text},
    {":xOrigin", Kind::real, nullptr, nullptr, &MapHeader::xorigin},
    {":yOrigin", Kind::real, nullptr, nullptr, &MapHeader::yorigin},
    {":xCount", Kind::integer, nullptr, &MapHeader::xcount},
    {":yCount", Kind::integer, nullptr, &MapHeader::ycount},
    {":xDelta", Kind::real, nullptr, nullptr, &MapHeader::xdelta},
    {":yDelta", Kind::real, nullptr, nullptr, &MapHeader::ydelta},
    {":contourInterval", Kind::real, nullptr, nullptr, &MapHeader::cintv},
    {":imperviousArea", Kind::real, nullptr, nullptr, &MapHeader::aimpr},
    {":classCount", Kind::real, nullptr, nullptr, &MapHeader::antype},
    {":elevConversion", Kind::real, nullptr, nullptr, &MapHeader::elvconv},
};

void apply_keyword(const TextReader& map, MapHeader& hdr, const Keyword& kw, std::string_view line) {
    std::string keyword;
    std::string text;
    int integer = 0;
    float real = 0;
    Target value = kw.kind == Kind::text      ? as_text(text, 10)
                   : kw.kind == Kind::integer ? as_int(integer)
                                              : as_real(real);
    // A null value (",," or "/") leaves the field unchanged.
    if (kw.kind == Kind::text) text = kw.text(hdr);
    if (kw.kind == Kind::integer) integer = hdr.*kw.integer;
    if (kw.kind == Kind::real) real = hdr.*kw.real;
    const Target targets[] = {as_text(keyword), value};
    ReadStatus st = parse_fields(line, targets);
    if (!st) {
        st.line = map.line_number();  // the parse counts lines within this one line
        std::string_view expected = kw.kind == Kind::integer ? "a whole number" : "a number";
        stop_lines(
            {"The value of " + std::string(kw.name) + " in the map file header cannot be read",
             read_error_detail(map, st, expected), " Program aborted"});
    }
    switch (kw.kind) {
        case Kind::text:
            kw.text(hdr) = std::string(rtrim(text));
            break;
        case Kind::integer:
            hdr.*kw.integer = integer;
            break;
        case Kind::real:
            hdr.*kw.real = real;
            break;
    }
    if (kw.integer == &MapHeader::xcount) hdr.xcount_line = map.line_number();
    if (kw.integer == &MapHeader::ycount) hdr.ycount_line = map.line_number();
}

void read_keywords(TextReader& map, MapHeader& hdr) {
    map.rewind();
    std::string_view line;
    for (;;) {
        if (!map.next_line(line)) {
            stop_lines({"The map file header has no \":endHeader\" line",
                        "in file " + map.name() + " line " + std::to_string(map.line_number()) +
                            ": the file ends before the header is complete",
                        " Program aborted"});
        }
        line = line.substr(0, kHeaderLineLength);
        if (line.substr(0, 10) == ":endHeader") break;
        for (const Keyword& kw : kKeywords) {
            if (line.substr(0, kw.name.size()) == kw.name) apply_keyword(map, hdr, kw, line);
        }
    }
}

void check_projection(MapHeader& hdr) {
    std::optional<MapProjection> p = parse_map_projection(hdr.projection.text);
    if (!p) {
        stop_lines({" Valid format", "(UTM, CARTESIAN, LatLong or LATLONG) not found",
                    "format found is ***" + padded(hdr.projection.text, 10) + "***", "",
                    "If wrong, please assign a Projection (coordsys)", "in Green Kenue", "",
                    "Program aborted @ 407"});
    }
    hdr.projection = std::move(*p);
}

// A header value as a hydrologist writes it: 500000 rather than 5e+05.
std::string value_text(float v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (r.ec != std::errc{} || r.ptr - buf > 16) return num(v);
    return std::string(buf, r.ptr);
}

void echo_header(const MapHeader& h, Run& run) {
    const std::string lines[] = {
        words("projection=", h.projection.text),
        words("datum1=", h.datum1),
        words("zone=", h.zone),
        words("xorigin=", value_text(h.xorigin)),
        words("yorigin=", value_text(h.yorigin)),
        words("xcount=", h.xcount),
        words("ycount=", h.ycount),
        words("xdelta=", value_text(h.xdelta)),
        words("ydelta=", value_text(h.ydelta)),
        words("cintv=", value_text(h.cintv)),
        words("aimpr=", value_text(h.aimpr)),
        words("antype=", value_text(h.antype)),
        words("elvconv=", value_text(h.elvconv)),
    };
    for (const auto& l : lines) {
        run.con.say(l);
        run.log_line(l);
    }
}

// antype truncated to an integer, minus 1, without overflowing for absurd counts.
int ntype_from(float antype) {
    if (!(antype == antype)) return 0;
    double t = std::trunc(static_cast<double>(antype));
    if (t > INT_MAX / 2) t = INT_MAX / 2;
    if (t < -(INT_MAX / 2)) t = -(INT_MAX / 2);
    return static_cast<int>(t) - 1;
}

}  // namespace

void read_map_header(TextReader& map, float split_percent, MapInput& input, Run& run) {
    Console& con = run.con;
    MapHeader& hdr = input.hdr;
    read_comment_lines(map, hdr, run);
    read_keywords(map, hdr);
    check_projection(hdr);
    echo_header(hdr, run);

    input.split = split_percent / 100.0f;
    if (input.split > 1.0f || input.split < 0.0f) {
        stop_lines({"value for split is outside acceptable range", "", "Program aborted @ 483"});
    }

    hdr.ntype = ntype_from(hdr.antype);
    if (hdr.ntype + 1 > kMaxClasses) {
        stop_lines({"The :classCount of " + std::to_string(hdr.ntype + 1) + " in " + map.name() +
                        " is more than the watershed file can hold (" +
                        std::to_string(kMaxClasses) + " classes)",
                    " Program aborted"});
    }
    con.say("Number of classes now includes the impervious class");
    con.line("Number of classes stipulated = ", hdr.ntype + 1);
    con.say("Is this correct?");
    con.say();
    con.wait(" Hit enter to continue");
}

namespace {

[[noreturn]] void allocation_failed(const MapHeader& hdr, const TextReader& map,
                                    const std::string& why) {
    stop_lines({why,
                "(xCount " + std::to_string(hdr.xcount) + ", yCount " +
                    std::to_string(hdr.ycount) + " in the header of " + map.name() + ")",
                "**Allocation failed for area17 in zela l303**"});
}

}  // namespace

void allocate_grids(const TextReader& map, MapInput& input, Run& run) {
    MapHeader& hdr = input.hdr;
    run.con.say("before allocating area17");
    if (hdr.xcount <= 0 || hdr.ycount <= 0) {
        auto where = [&](std::string_view key, std::size_t line) {
            return line ? "in file " + map.name() + " line " + std::to_string(line) + ": " +
                              std::string(key) + " is " +
                              std::to_string(key == ":xCount" ? hdr.xcount : hdr.ycount)
                        : "in file " + map.name() + ": the header has no " + std::string(key) +
                              " line";
        };
        std::vector<std::string> lines{
            "The map file header must give xCount and yCount as whole numbers of 1 or more"};
        if (hdr.xcount <= 0) lines.push_back(where(":xCount", hdr.xcount_line));
        if (hdr.ycount <= 0) lines.push_back(where(":yCount", hdr.ycount_line));
        lines.push_back(" Program aborted");
        stop_lines(std::move(lines));
    }
    // Every grid of the run, estimated before the first is made.
    double squares = static_cast<double>(hdr.xcount) * static_cast<double>(hdr.ycount);
    double bytes = basin_grid_bytes(hdr.ycount, hdr.xcount, std::max(2, hdr.ntype + 1));
    if (squares > static_cast<double>(INT_MAX) || !fits_in_memory(bytes)) {
        allocation_failed(hdr, map,
                          "A grid of " + std::to_string(hdr.xcount) + " columns by " +
                              std::to_string(hdr.ycount) + " rows with " +
                              std::to_string(std::max(2, hdr.ntype + 1)) +
                              " land-cover classes needs about " +
                              std::to_string(static_cast<long long>(bytes / 1.0e6)) +
                              " MB, more than this computer can hold");
    }
    const int rows = hdr.ycount, cols = hdr.xcount;
    try {
        for (Grid<float>* g : {&input.elev, &input.fraction}) g->assign(rows, cols, {});
        for (Grid<int>* g : {&input.dir, &input.river_class, &input.contours, &input.channels,
                             &input.reach})
            g->assign(rows, cols, {});
    } catch (const std::bad_alloc&) {
        allocation_failed(hdr, map, "Not enough memory for the grids of this map file");
    }
    run.con.say("area17 allocated");

    // Header defaults, applied before the first grid block.
    if (hdr.aimpr <= 0.0f) hdr.aimpr = 100.0f;
    if (hdr.elvconv == 0.0f) hdr.elvconv = 1.0f;
}
