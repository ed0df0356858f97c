// zel --check: a pre-flight of the basin folder. It runs the stages of a run
// up to the parameter file on a console that hears nothing, writes nothing,
// and reports what a run would stop on or warn about, each finding with its
// file and line (or square).
#include "driver/check.hpp"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/d8.hpp"
#include "common/output_file.hpp"
#include "common/text.hpp"
#include "driver/dry_run.hpp"
#include "driver/run_zel.hpp"
#include "driver/sequence_steps.hpp"
#include "ensim/r2s_reader_header.hpp"
#include "mapfile/grid_blocks.hpp"
#include "mapfile/land_cover.hpp"
#include "mapfile/map_header.hpp"
#include "mapfile/map_input.hpp"
#include "network/flow_network.hpp"
#include "network/land_cover_adjust.hpp"
#include "network/subwatershed.hpp"
#include "parfile/read_par.hpp"

namespace {

class Report {
  public:
    explicit Report(Console& con) : con_(con) {}
    void section(const std::string& title) { con_.say(title); }
    void problem(const std::string& text) {
        con_.say("  problem: " + text);
        ++problems_;
    }
    void note(const std::string& text) { con_.say("  " + text); }
    // A stop of a stage: its message and the lines that explain it (the
    // stop's own, after the last few the stage printed before it).
    void stopped(const Stop& s, const std::vector<std::string>& before = {}) {
        std::vector<std::string> lines;
        for (std::size_t k = before.size() > 8 ? before.size() - 8 : 0; k < before.size(); ++k)
            if (!rtrim(before[k]).empty()) lines.push_back(std::string(rtrim(before[k])));
        for (const auto& l : s.lines)
            if (!rtrim(l).empty()) lines.push_back(std::string(rtrim(l)));
        if (lines.empty()) return problem("the run would stop");
        // The line that names the file and line leads; the rest explain it.
        std::size_t lead = lines.size() - 1;
        for (std::size_t k = 0; k < lines.size(); ++k)
            if (lines[k].rfind("in file ", 0) == 0) {
                lead = k;
                break;
            }
        problem(lines[lead]);
        for (std::size_t k = 0; k < lines.size(); ++k)
            if (k != lead) con_.say("           " + lines[k]);
    }
    // The warnings a stage printed: values dropped beyond :xCount are problems,
    // the rest notes.
    void warnings(const std::vector<std::string>& printed) {
        std::vector<std::pair<std::string, int>> seen;
        for (const auto& l : printed) {
            if (l.rfind("WARNING", 0) != 0) continue;
            auto at = std::find_if(seen.begin(), seen.end(), [&](const auto& p) { return p.first == l; });
            if (at != seen.end())
                ++at->second;
            else
                seen.emplace_back(l, 1);
        }
        for (const auto& [l, times] : seen) {
            const std::string text = times > 1 ? l + " (" + std::to_string(times) + " times)" : l;
            if (l.find("of :xCount ignored") != std::string::npos)
                problem(text.substr(9));
            else
                note(text);
        }
    }
    int problems() const { return problems_; }

  private:
    Console& con_;
    int problems_ = 0;
};

std::string square(int i, int j) { return "row " + std::to_string(i) + ", column " + std::to_string(j); }

// A count of squares of one kind, with the first one found.
struct Tally {
    int count = 0;
    int row = 0, col = 0;
    std::string extra;
    void add(int i, int j, std::string what = {}) {
        if (count++ == 0) {
            row = i;
            col = j;
            extra = std::move(what);
        }
    }
    void report(Report& r, const std::string& what) const {
        if (count == 0) return;
        r.problem(std::to_string(count) + (count == 1 ? " basin square " : " basin squares ") + what +
                  " (first: " + square(row, col) + (extra.empty() ? "" : ", " + extra) + ")");
    }
};

bool in_basin(const MapInput& m, int i, int j) { return m.elev(i, j) > 0.0f && m.fraction(i, j) > 0.0f; }

// Drainage directions of the basin squares, and their class percentages.
void check_squares(const MapInput& m, Report& r) {
    Tally none, bad_code, off_grid, into_blank, river, classes;
    for (int i = 1; i <= m.hdr.ycount; ++i) {
        for (int j = 1; j <= m.hdr.xcount; ++j) {
            if (!in_basin(m, i, j)) continue;
            const int code = m.dir(i, j);
            if (code == 0) {
                none.add(i, j);
            } else if (code < 0 || code > 8) {
                bad_code.add(i, j, "code " + std::to_string(code));
            } else {
                const int di = i + d8::kRowStep[code], dj = j + d8::kColStep[code];
                if (!m.elev.inside(di, dj))
                    off_grid.add(i, j, "code " + std::to_string(code));
                else if (!(m.elev(di, dj) > 0.0f))
                    into_blank.add(i, j, "code " + std::to_string(code));
            }
            const int iak = m.river_class(i, j);
            if (iak < 1 || iak > m.nrvr) river.add(i, j, "class " + std::to_string(iak));
            float sum = 0;
            for (const auto& c : m.classes) sum += c(i, j);
            if (!m.classes.empty() && sum != 100.0f) classes.add(i, j, num(sum) + " %");
        }
    }
    none.report(r, "have no drainage direction (code 0)");
    bad_code.report(r, "have a drainage code outside 0-8");
    off_grid.report(r, "drain off the grid");
    into_blank.report(r, "drain into a blank square (elevation 0 or below)");
    river.report(r, "have no river class");
    classes.report(r, "have land-cover percentages that do not add up to 100");
}

// Nothing may follow the class blocks but a bankfull block (which the
// land-cover stage has read, or tried to).
void check_rest_of_map(TextReader& map, const std::vector<std::string>& printed, Report& r) {
    const bool bankfull =
        std::find(printed.begin(), printed.end(), "Bankfull values found & will be used") != printed.end();
    r.note(bankfull ? "a bankfull block is given" : "no bankfull block: DA / 6 + 0.1 will be used");
    std::string_view line;
    std::size_t extra = 0, first = 0;
    while (map.next_line(line)) {
        if (rtrim(line).empty()) continue;
        if (extra++ == 0) first = map.line_number();
    }
    if (extra > 0)
        r.problem(map.name() + " line " + std::to_string(first) + ": " + std::to_string(extra) +
                  " lines after the last block are not read; the counts of the header may not "
                  "match the data");
}

// The header of dem.r2s or nca.r2s and how much of the grid it covers.
void check_r2s(const char* name, bool wanted, const MapHeader& hdr, Report& r) {
    if (!file_exists(name)) {
        if (wanted) r.note(std::string(name) + " is asked for but not in the folder");
        return;
    }
    std::string text;
    int error = 0;
    if (!read_whole_file(name, text, error)) return r.problem(std::string(name) + " cannot be read");
    TextReader reader(std::move(text), name);
    const R2sHeader h = scan_r2s_header(reader, {});
    if (const std::string fault = r2s_header_fault(h, name); !fault.empty()) return r.problem(fault);
    if (!parse_r2s_projection(h.projection))
        return r.problem(std::string(name) + ": the projection " + h.projection +
                         " is not UTM, CARTESIAN or LATLONG");
    const double x0 = std::max<double>(h.xorigin, hdr.xorigin);
    const double x1 = std::min<double>(h.xorigin + h.xcount * h.xdelta, hdr.xorigin + hdr.xcount * static_cast<double>(hdr.xdelta));
    const double y0 = std::max<double>(h.yorigin, hdr.yorigin);
    const double y1 = std::min<double>(h.yorigin + h.ycount * h.ydelta, hdr.yorigin + hdr.ycount * static_cast<double>(hdr.ydelta));
    const double grid = static_cast<double>(hdr.xcount) * hdr.xdelta * hdr.ycount * hdr.ydelta;
    const double share = x1 > x0 && y1 > y0 && grid > 0 ? (x1 - x0) * (y1 - y0) / grid : 0.0;
    const std::string what = std::string(name) + " (" + std::to_string(h.xcount) + " x " +
                             std::to_string(h.ycount) + ")" + (wanted ? "" : ", not used by the answers");
    if (share <= 0.0)
        r.problem(what + " does not overlap the grid of the map");
    else
        r.note(what + " covers " + num(static_cast<float>(std::min(share, 1.0) * 100.0)) +
               " % of the grid");
}

}  // namespace

int check_basin_folder(Console& con) {
    Report report(con);
    DryRun dry;
    con.say("zel --check: the basin folder " + std::filesystem::current_path().string());

    report.section("Answers:");
    std::string why;
    std::optional<Stop> stopped;
    std::optional<Responses> saved = dry.saved_answers(why, stopped);
    dry.printed();
    Responses answers;
    if (stopped) {
        report.stopped(*stopped);
    } else if (saved) {
        answers = *saved;
        report.note("zel_responses.txt: map file " + answers.map_file + ", parameter file " +
                    answers.par_file + ", " + std::to_string(answers.outlets.size()) +
                    " outlet(s), " + std::to_string(answers.inlets.size()) + " inlet(s)");
    } else {
        report.note(why);
    }
    if (!saved) {
        answers.map_file = "zelm.map";
        if (!stopped) report.note("checking zelm.map, the usual map file name, with no outlets");
    }

    report.section("Map file " + answers.map_file + ":");
    std::string problem;
    if (!dry.load_map(answers.map_file, problem)) {
        report.problem(problem);
    } else {
        MapInput map;
        Run& run = dry.run;
        std::vector<std::string> printed;
        auto stage = [&](auto&& f) {
            const std::optional<Stop> s = dry.attempt(f);
            printed = dry.printed();
            report.warnings(printed);
            if (s) report.stopped(*s);
            return !s;
        };
        const bool map_read =
            stage([&] { read_map_header(dry.map, answers.split_percent, map, run); }) &&
            stage([&] { allocate_grids(dry.map, map, run); }) &&
            stage([&] { read_blocks_1_to_3(dry.map, map, run); }) &&
            stage([&] { read_river_class_block(dry.map, map, run); }) &&
            stage([&] { read_blocks_5_to_7(dry.map, map, run); }) &&
            stage([&] { read_classes_and_combine(dry.map, map, run); });
        if (map_read) {
            const MapHeader& h = map.hdr;
            report.note(std::to_string(h.xcount) + " x " + std::to_string(h.ycount) + " squares (" +
                        h.projection.text + "), " + std::to_string(map.classes.size()) +
                        " land-cover classes, " + std::to_string(map.nrvr) + " river classes");
            check_squares(map, report);

            // The network, the outlets and the watershed, as a run makes them.
            Network net;
            Outlets outlets;
            LandCover cover;
            const bool network =
                stage([&] {
                    net = number_cells(map, compute_cell_areas(h, map.fraction), {}, run);
                    compute_slopes(net, map, clamp_min_slope(answers.min_slope), run);
                }) &&
                stage([&] { outlets = revise_outlets(net, answers, run); }) &&
                stage([&] { set_cell_river_classes(net, map.river_class, run); }) &&
                stage([&] { cover = adjust_land_cover(map, dry.map, net, answers.split_type, run); });
            if (network) check_rest_of_map(dry.map, printed, report);
            if (network && stage([&] { rank_and_check_cells(net, map, run); })) {
                const int receiving = net.na - net.naa;
                report.note(std::to_string(net.na) + " cells, " + std::to_string(receiving) +
                            " receiving cell(s)");
                if (net.errors > 0)
                    report.problem(std::to_string(net.errors) +
                                   " cells do not drain to a lower cell (the run lists them in fort.39)");
                if (receiving > 1 && outlets.lastgrid.size() == 1 && !outlets.chosen)
                    report.note("more than one receiving cell: a whole-basin run makes no river profiles");
                Watershed shed;
                if (stage([&] { shed = extract_and_trim(net, outlets, answers.inlets, h, run); }))
                    report.note("the written watershed: " + std::to_string(shed.cells) + " cells, " +
                                std::to_string(shed.window.cols) + " x " +
                                std::to_string(shed.window.rows) + " squares written");
                compute_interflow_slopes(net, map, run);
                dry.printed();

                report.section("Parameter file " + answers.par_file + ":");
                const bool none = !answers.par_file.empty() && answers.par_file[0] == 'n' &&
                                  !file_exists(answers.par_file);
                if (none) {
                    report.note("none (" + answers.par_file + "): no new_ch_par.r2c");
                } else if (split_file_name(answers.par_file).ext != "csv") {
                    report.problem(answers.par_file + " is not a .csv parameter file");
                } else {
                    const ParBasin basin = par_basin(answers, map, net, cover);
                    const std::optional<Stop> s =
                        dry.attempt([&] { read_par_parser(answers.par_file, basin, 32, run); });
                    printed = dry.printed();
                    if (s) {
                        // The parameter checks explain a stop in the lines before it.
                        report.stopped(*s, printed);
                    } else {
                        report.warnings(printed);
                        report.note(answers.par_file + ": " + std::to_string(basin.classcount) +
                                    " land-cover classes and " + std::to_string(basin.nrvr) +
                                    " river classes, as the run writes them");
                    }
                }
            }
            report.section("Grids of the folder:");
            check_r2s(kDemFile, answers.dem_stats == 'y', h, report);
            check_r2s(kNcaFile, answers.adjust_nca == 'y', h, report);
        }
    }

    if (report.problems() == 0) {
        con.say("ready to run");
        return 0;
    }
    con.say(std::to_string(report.problems()) +
            (report.problems() == 1 ? " problem found" : " problems found"));
    return 1;
}
