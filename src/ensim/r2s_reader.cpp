#include "ensim/r2s_reader.hpp"

#include <array>
#include <new>
#include <optional>

#include "common/big_memory.hpp"
#include "common/console.hpp"
#include "common/free_format.hpp"
#include "common/projection.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "ensim/r2s_reader_header.hpp"

namespace {

bool starts_with(std::string_view line, std::string_view key) {
    return line.substr(0, key.size()) == key;
}

enum class Kind { projection, datum, zone, xorigin, yorigin, xcount, ycount, xdelta, ydelta };

struct Key {
    std::string_view word;
    Kind kind;
};

constexpr std::array<Key, 11> kKeys{{
    {":Projection", Kind::projection},
    {":CoordSys", Kind::projection},
    {":Ellipsoid", Kind::datum},
    {":Datum", Kind::datum},
    {":Zone", Kind::zone},
    {":xOrigin", Kind::xorigin},
    {":yOrigin", Kind::yorigin},
    {":xCount", Kind::xcount},
    {":yCount", Kind::ycount},
    {":xDelta", Kind::xdelta},
    {":yDelta", Kind::ydelta},
}};

// Read the value of one keyword line into the header; false on a problem.
bool apply_key(R2sHeader& h, std::string_view line, const Key& key, std::size_t line_no) {
    std::string word;
    std::string text;
    int ivalue = 0;
    double dvalue = 0;
    bool is_text = key.kind == Kind::projection || key.kind == Kind::datum;
    bool is_int = key.kind == Kind::zone || key.kind == Kind::xcount || key.kind == Kind::ycount;
    Target second = is_text ? as_text(text, 10) : is_int ? as_int(ivalue) : as_double(dvalue);
    std::array<Target, 2> targets{as_text(word), second};
    ReadStatus st = parse_fields(line, targets);
    if (!st) {
        // A text keyword without a value leaves the value alone.
        if (is_text && st.code == ReadStatus::too_few) return true;
        h.problem = st.code == ReadStatus::bad_value ? R2sHeader::Problem::bad_value
                                                     : R2sHeader::Problem::missing_value;
        h.line = line_no;
        h.keyword = std::string(key.word);
        h.text = st.text;
        return false;
    }
    switch (key.kind) {
        case Kind::projection:
            h.projection = text;
            break;
        case Kind::datum:
            h.datum1 = text;
            break;
        case Kind::zone:
            h.zone = ivalue;
            break;
        case Kind::xorigin:
            h.xorigin = dvalue, h.has_xorigin = true;
            break;
        case Kind::yorigin:
            h.yorigin = dvalue, h.has_yorigin = true;
            break;
        case Kind::xcount:
            h.xcount = ivalue, h.has_xcount = true, h.xcount_line = line_no;
            break;
        case Kind::ycount:
            h.ycount = ivalue, h.has_ycount = true, h.ycount_line = line_no;
            break;
        case Kind::xdelta:
            h.xdelta = dvalue, h.has_xdelta = true, h.xdelta_line = line_no;
            break;
        case Kind::ydelta:
            h.ydelta = dvalue, h.has_ydelta = true, h.ydelta_line = line_no;
            break;
    }
    return true;
}

}  // namespace

R2sHeader scan_r2s_header(TextReader& reader, const std::function<void(std::string_view)>& echo) {
    R2sHeader h;
    std::string_view raw;
    while (reader.next_line(raw)) {
        std::string_view line = raw.substr(0, 80);
        if (echo) echo(line.substr(0, 70));
        std::string_view first10 = line.substr(0, 10);
        if (first10 == ":EndHeader" || first10 == ":endHeader") return h;
        if (starts_with(line, ":FrameTime")) {
            h.frame_time = std::string(line.size() > 11 ? line.substr(11, 10) : std::string_view{});
            continue;
        }
        for (const Key& key : kKeys) {
            if (!starts_with(line, key.word)) continue;
            if (!apply_key(h, line, key, reader.line_number())) return h;
            break;
        }
    }
    h.problem = R2sHeader::Problem::no_end;
    h.line = reader.line_number();
    return h;
}

std::string r2s_header_fault(const R2sHeader& h, const std::string& file_name) {
    std::string at = file_name + " line " + std::to_string(h.line) + ": ";
    switch (h.problem) {
        case R2sHeader::Problem::bad_value:
            return at + "the value \"" + h.text + "\" of " + h.keyword + " cannot be read";
        case R2sHeader::Problem::missing_value:
            return at + h.keyword + " has no value";
        case R2sHeader::Problem::no_end:
            return file_name + ": the file ends at line " + std::to_string(h.line) +
                   " without an \":EndHeader\" line";
        case R2sHeader::Problem::none:
            break;
    }
    std::string head = file_name + ": the header ";
    if (!h.has_xcount) return head + "has no :xCount";
    if (!h.has_ycount) return head + "has no :yCount";
    if (!h.has_xorigin) return head + "has no :xOrigin";
    if (!h.has_yorigin) return head + "has no :yOrigin";
    if (!h.has_xdelta) return head + "has no :xDelta";
    if (!h.has_ydelta) return head + "has no :yDelta";
    if (h.xcount < 1 || h.ycount < 1) {
        std::size_t line = h.xcount < 1 ? h.xcount_line : h.ycount_line;
        return file_name + " line " + std::to_string(line) + ": the header gives " +
               std::to_string(h.xcount) + " columns and " + std::to_string(h.ycount) +
               " rows; both must be 1 or more";
    }
    if (!(h.xdelta > 0) || !(h.ydelta > 0)) {
        std::size_t line = !(h.xdelta > 0) ? h.xdelta_line : h.ydelta_line;
        return file_name + " line " + std::to_string(line) + ": the header gives cell sizes " +
               words(num(h.xdelta), "by", num(h.ydelta)) + "; both must be above 0";
    }
    return {};
}

R2sGrid read_r2s(const std::string& file_name, int channel, Run& run) {
    Console& con = run.con;
    std::string name(rtrim(std::string_view(file_name).substr(0, 30)));
    TextReader reader;
    int error = 0;
    if (!readable_file(name) || !reader.load(name, error)) {
        con.say("Error opening " + name);
        con.say();
        stop("Program aborted in read_r2s @ 24");
    }
    con.line("opened unit =", channel, " filename =", name);

    R2sHeader h = scan_r2s_header(reader, [&](std::string_view line) { con.say(line); });
    if (h.problem != R2sHeader::Problem::none) {
        stop_lines({"Error reading the header of " + name + ":", r2s_header_fault(h, name),
                    "Program aborted in read_r2s"});
    }
    R2sGrid out;
    GridHeader& gh = out.header;
    gh.datum1 = h.datum1;
    gh.zone = h.zone;
    gh.xorigin = static_cast<float>(h.xorigin);
    gh.yorigin = static_cast<float>(h.yorigin);
    gh.xcount = h.xcount;
    gh.ycount = h.ycount;
    gh.xdelta = static_cast<float>(h.xdelta);
    gh.ydelta = static_cast<float>(h.ydelta);
    gh.frame_time = h.frame_time;

    const std::optional<Projection> projection = parse_r2s_projection(h.projection);
    if (!projection) {
        con.say(" Valid format");
        con.say("(UTM, CARTESIAN, LatLong or LATLONG) not found");
        con.say("format found is ***" + h.projection + "***");
        con.say("If wrong, please assign a Projection (coordsys)");
        con.say("in Green Kenue");
        con.say();
        stop("Program aborted in read_r2s_beta@ 407");
    }

    con.say();
    con.say("Values found:");
    gh.projection = *projection;
    con.line("projection=", projection_name(gh.projection));
    con.line("datum1=", gh.datum1);
    con.line("zone=", gh.zone);
    con.line("xorigin=", num(gh.xorigin));
    con.line("yorigin=", num(gh.yorigin));
    con.line("xcount=", gh.xcount);
    con.line("ycount=", gh.ycount);
    con.line("xdelta=", num(gh.xdelta));
    con.line("ydelta=", num(gh.ydelta));

    std::string fault = r2s_header_fault(h, name);
    if (!fault.empty()) stop_lines({fault, "Program aborted in read_r2s"});

    Grid<float>& grid = out.values;
    {
        const double bytes =
            static_cast<double>(gh.ycount) * static_cast<double>(gh.xcount) * sizeof(float);
        const std::string too_big = "The grid of " + name + " (xCount " +
                                    std::to_string(gh.xcount) + ", yCount " +
                                    std::to_string(gh.ycount) + ") is too large for this computer";
        if (!fits_in_memory(bytes))
            stop_lines({too_big, "Error with allocation of evap_convert in sub @ 941"});
        try {
            grid.assign(gh.ycount, gh.xcount, 0.0f);
        } catch (const std::exception&) {
            stop_lines({too_big, "Error with allocation of evap_convert in sub @ 941"});
        }
        con.say();
    }

    // Rows south first.
    reader.read_rows<float>(
        static_cast<std::size_t>(gh.ycount), static_cast<std::size_t>(gh.xcount),
        [&](std::size_t p) { return grid.row_data(static_cast<int>(p) + 1); },
        [&](std::size_t p, const ReadStatus& st) {
            if (st) return true;
            const int row = static_cast<int>(p) + 1;
            if (st.code == ReadStatus::bad_value) {
                stop_lines({name + " line " + std::to_string(st.line) + ": the value \"" + st.text +
                                "\" in row " + std::to_string(row) + " is not a number",
                            "Program aborted in read_r2s"});
            }
            stop_lines({name + ": the data end at line " + std::to_string(st.line) + ", in row " +
                            std::to_string(row) + " of " + std::to_string(gh.ycount) + " (" +
                            std::to_string(gh.xcount) + " values a row)",
                        "Program aborted in read_r2s"});
        });
    con.say("last value read in filename1(1:40)");
    con.say();
    return out;
}
