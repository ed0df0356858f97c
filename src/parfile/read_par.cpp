#include "parfile/read_par.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "common/console.hpp"
#include "common/free_format.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "common/text.hpp"
#include "parfile/keyword_tables.hpp"
#include "parfile/par_checks.hpp"

namespace parfile {
namespace {

constexpr std::size_t kMaxComments = 100;
constexpr std::size_t kCommentWidth = 72;
constexpr std::size_t kKeywordWidth = 60;
constexpr std::size_t kNameWidth = 10;

// The global start marker needs two blanks (or the line end) after it, so
// ":GlobalParameters," or ":GlobalParameters # ..." do not open the section.
bool is_global_start(std::string_view line) {
    constexpr std::string_view marker = ":GlobalParameters";
    if (!matches(line, marker, marker.size())) return false;
    for (std::size_t i = marker.size(); i < marker.size() + 2; ++i)
        if (i < line.size() && line[i] != ' ') return false;
    return true;
}

std::string_view keyword_word(std::string_view line) {
    return line.substr(0, line.find_first_of(" ,\t"));
}

std::string read_problem(const ReadStatus& st, int needed) {
    if (st.code == ReadStatus::bad_value)
        return "value " + std::to_string(st.field > 1 ? st.field - 1 : st.field) + " '" + st.text +
               "' cannot be read";
    return std::to_string(needed) + (needed == 1 ? " value needed" : " values needed") +
           ", fewer found";
}

class Parser {
  public:
    Parser(ParameterSet& p, const ParBasin& basin, Run& run, std::string file_name)
        : run_(run), con_(run.con), p_(p), basin_(basin), file_(std::move(file_name)) {}

    void size_lists();
    void set_initial_values();
    void locate_sections();
    bool has_sections() const;
    void keep_header_comments();
    void read_sections();
    void copy_to_cells();

    std::vector<std::string_view> lines{{}};  // 1-based
    TextReader reader;

  private:
    void read_section(int s);
    void read_keyword_line(const Section& sec, const Keyword& k, std::size_t line_no);
    void after_keyword(const Keyword& k);
    void check_section(int s);
    void after_global();
    void after_global_limits();

    Run& run_;
    Console& con_;
    ParameterSet& p_;
    const ParBasin& basin_;
    std::string file_;
    std::array<std::size_t, kSectionCount> start_{}, end_{};
    bool failed_ = false;
    std::vector<std::string> failures_;  // one line per failed keyword line
};

int values_per_line(PerLine per, const ParameterSet& p) {
    switch (per) {
        case PerLine::per_class:
            return p.classcount;
        case PerLine::per_river:
            return p.nrvr;
        default:
            return 1;
    }
}

void Parser::size_lists() {
    for (const Section& sec : sections()) {
        const int n = values_per_line(sec.per, p_);
        for (const Keyword& k : sec.keywords) {
            const std::size_t size = static_cast<std::size_t>(k.dest.stride) * (n + 1);
            std::visit(
                [&](auto member) {
                    using M = decltype(member);
                    if constexpr (std::is_same_v<M, std::vector<float> P::*> ||
                                  std::is_same_v<M, std::vector<int> P::*>) {
                        if ((p_.*member).size() < size) (p_.*member).resize(size, 0);
                    } else if constexpr (std::is_same_v<M, std::vector<std::string> P::*>) {
                        if ((p_.*member).size() < size)
                            (p_.*member).resize(size, std::string(kNameWidth, ' '));
                    }
                },
                k.dest.member);
        }
    }
    p_.fpetmon.assign(12 * static_cast<std::size_t>(p_.classcount + 1), 0.0f);
}

void Parser::set_initial_values() {
    p_.ddsflg = 0;
    for (int c = 1; c <= p_.classcount; ++c) {
        p_.fratio[c] = 1.0f;
        p_.fratiodlt[c] = -1.0f;
        p_.fratiolow[c] = 0.1f;
        p_.fratiohgh[c] = 10.0f;
    }
    p_.iopt = run_.iopt;
}

// Each marker's last occurrence counts.
bool Parser::has_sections() const {
    for (std::size_t k = 0; k < kSectionCount; ++k)
        if (start_[k] != 0 || end_[k] != 0) return true;
    return false;
}

void Parser::locate_sections() {
    auto secs = sections();
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.empty() || line[0] != ':') continue;
        if (is_global_start(line)) {
            start_[kGlobal] = i;
            continue;
        }
        for (int s = 0; s < kSectionCount; ++s) {
            const Section& sec = secs[s];
            if (s != kGlobal && matches(line, sec.start, sec.start.size())) {
                start_[s] = i;
                break;
            }
            if (matches(line, sec.end, sec.end.size())) {
                end_[s] = i;
                break;
            }
        }
    }
}

void Parser::keep_header_comments() {
    p_.comments.clear();
    for (std::size_t i = 1; i <= start_[kGlobal]; ++i) {
        const std::string_view line = lines[i];
        if (line.empty() || line[0] != '#') continue;
        if (p_.comments.size() < kMaxComments) {
            p_.comments.emplace_back(line.substr(0, kCommentWidth));
        } else {
            con_.say("max number of comments in the parfile ");
            con_.say("GlobalParameter section exceeds 100");
            con_.say("Rest of comments are not passed on");
            con_.wait("Hit enter to continue");
        }
    }
}

void Parser::read_sections() {
    for (int s = 0; s < kSectionCount; ++s) {
        read_section(s);
        if (s == kSnow) {
            // Every curve starts at area ratio 0 for snow water equivalent 0.
            for (int c = 1; c <= p_.classcount; ++c) {
                p_.sdcsca[2 * c] = 0.0f;
                p_.sdcd[2 * c] = 0.0f;
            }
        } else if (s == kInterception) {
            // The impervious class intercepts (next to) nothing.
            for (int m = 1; m <= 12; ++m) {
                float& v = p_.h(m, p_.classcount);
                if (v > 1.0e-6f) v = 1.0e-6f;
            }
        }
        if (s != kApiLimits) check_section(s);
        if (s == kGlobal) after_global();
        if (s == kGlobalLimits) after_global_limits();
    }
}

// A section is the lines strictly between its markers; without a start
// marker it starts at line 1, without an end marker it is not read.
void Parser::read_section(int s) {
    if (end_[s] == 0 || start_[s] + 1 >= end_[s]) return;
    const Section& sec = sections()[s];
    for (std::size_t i = start_[s] + 1; i < end_[s]; ++i) {
        const std::string_view line = lines[i];
        if (line.empty() || line[0] != ':') continue;
        for (const Keyword& k : sec.keywords) {
            if (matches(line, k.match, k.length)) {
                read_keyword_line(sec, k, i);
                break;
            }
        }
    }
}

void Parser::read_keyword_line(const Section& sec, const Keyword& k, std::size_t line_no) {
    const std::string_view line = lines[line_no];
    std::string token;
    std::vector<Target> targets;
    targets.push_back(as_text(token, kKeywordWidth));
    int needed = 1;
    std::vector<std::string>* names = nullptr;
    std::visit(
        [&](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, int P::*>) {
                targets.push_back(as_int(p_.*member));
            } else if constexpr (std::is_same_v<M, float P::*>) {
                targets.push_back(as_real(p_.*member));
            } else {
                needed = values_per_line(sec.per, p_);
                auto& list = p_.*member;
                for (int c = 1; c <= needed; ++c) {
                    auto& v = list[static_cast<std::size_t>(k.dest.stride) * c + k.dest.offset];
                    if constexpr (std::is_same_v<M, std::vector<int> P::*>)
                        targets.push_back(as_int(v));
                    else if constexpr (std::is_same_v<M, std::vector<float> P::*>)
                        targets.push_back(as_real(v));
                    else
                        targets.push_back(as_text(v, kNameWidth));
                }
                if constexpr (std::is_same_v<M, std::vector<std::string> P::*>) names = &list;
            }
        },
        k.dest.member);

    const ReadStatus st = parse_fields(line, targets);
    if (names)
        for (int c = 1; c <= needed; ++c) (*names)[c] = padded((*names)[c], kNameWidth);
    if (!st) {
        const std::string where = "line " + std::to_string(line_no) + " (" +
                                  std::string(keyword_word(line)) +
                                  "): " + read_problem(st, needed);
        // In the global section only :iopt is allowed to fail quietly until the section ends.
        if (&sec == &sections()[kGlobal] && k.match != ":iopt")
            stop_lines({"Read error in the parameter file " + file_, where,
                        "Program aborted in read_par_parser @ 322"});
        failed_ = true;
        failures_.push_back("Read error in " + file_ + " " + where);
        return;
    }
    after_keyword(k);
}

void Parser::after_keyword(const Keyword& k) {
    switch (k.action) {
        case Action::none:
            break;
        case Action::river_classes:
            p_.river_classes_given = true;
            if (p_.river_classes != p_.nrvr) {
                con_.say();
                con_.say("No of river classes in the par file does not match");
                con_.say("the number in the shd file");
                con_.line("shd file number =", p_.nrvr);
                con_.line("par file number =", p_.river_classes);
                con_.say();
                stop("Fatal error: program aborted in read_par_parser @ 173");
            }
            break;
        case Action::land_cover_classes:
            p_.land_cover_classes_given = true;
            if (p_.land_cover_classes != p_.classcount) {
                con_.say("WARNING:");
                con_.say("no of land cover classes in this par file");
                con_.line("classcount parfile=", p_.land_cover_classes);
                con_.say("does not match");
                con_.say("the number in the shd file");
                con_.line("classcount shd file=", p_.classcount);
                con_.say("please check");
                con_.say();
                con_.wait("Hit enter to abort");
                stop("progran aborted in write_par_10 @ 348");
            }
            break;
        case Action::sublim_factor:
            p_.sublimation_mode = 1;
            break;
        case Action::sublim_rate:
            p_.sublimation_mode = 2;
            for (int c = 1; c <= p_.classcount; ++c) {
                p_.sublim_rate[c] /= 24.0f;  // per day to per hour
                p_.sublim_factor[c] = 0.0f;
            }
            break;
    }
}

void Parser::check_section(int s) {
    if (!failed_) return;
    const Section& sec = sections()[s];
    for (const std::string& f : failures_) con_.say(f);
    con_.say(sec.error_message);
    con_.say();
    con_.wait("hit enter to abort the program");
    stop(std::string(sec.abort_message));
}

void Parser::after_global() {
    run_.iopt = p_.iopt;
    if (run_.iopt >= 1) con_.line("no of lines read in the par file =", lines.size() - 1);
    run_.iopt = 0;
    p_.iopt = 0;
}

void Parser::after_global_limits() {
    if (start_[kGlobalLimits] == 0) {
        p_.rlapsedlt = p_.tlapsedlt = p_.radinfldlt = p_.smoothdisdlt = -1.0f;
        con_.say("WARNING:");
        con_.say("New section of GlobalParLimits not found");
        con_.say("in the par file.");
        con_.say("rlapsedlt,tlapsedlt,radinfldlt & smoothdist");
        con_.say("set - -1.0  <<<<<<<<<<<<<<<<<<<<<<<<<<<<<<");
        con_.say();
    } else if (end_[kGlobalLimits] != 0 && start_[kGlobalLimits] + 1 < end_[kGlobalLimits]) {
        check_smoothing_distance(p_, run_);
    }
}

// Taken before the checks, so their corrections do not reach the cells.
void Parser::copy_to_cells() {
    const std::array<const std::vector<float>*, 13> by_class = {
        &p_.flz, &p_.pwr,   &p_.r1n,   &p_.r2n,   &p_.mndr, &p_.aa2,  &p_.aa3,
        &p_.aa4, &p_.theta, &p_.widep, &p_.kcond, &p_.pool, &p_.rlake};
    const std::size_t cells = static_cast<std::size_t>(basin_.na > 0 ? basin_.na : 0) + 1;
    const int last =
        basin_.iak ? std::min<int>(basin_.naa, static_cast<int>(basin_.iak->size()) - 1) : 0;
    for (std::size_t k = 0; k < by_class.size(); ++k) {
        std::vector<float>& out = p_.per_cell[k];
        out.assign(cells, 0.0f);
        for (int n = 1; n <= last && static_cast<std::size_t>(n) < cells; ++n) {
            const int cls = (*basin_.iak)[n];
            if (cls >= 1 && cls <= p_.nrvr) out[n] = (*by_class[k])[cls];
        }
    }
}

}  // namespace
}  // namespace parfile

ParameterSet read_par_parser(const std::string& file_name, const ParBasin& basin, int channel,
                             Run& run) {
    using namespace parfile;
    Console& con = run.con;
    ParameterSet p;
    p.classcount = basin.classcount;
    p.nrvr = basin.nrvr > 0 ? basin.nrvr : 0;
    if (p.classcount < 1)
        stop_lines({"The basin has no land cover classes (classcount = " +
                        std::to_string(p.classcount) + ")",
                    "so the parameter file " + file_name + " cannot be matched to it",
                    "Program aborted in read_par_parser"});

    Parser parser(p, basin, run, file_name);
    parser.size_lists();
    parser.set_initial_values();

    const std::string name40 = file_name.substr(0, 40);
    if (!file_exists(file_name)) {
        con.say();
        con.say("Fatal error");
        con.say("Attempting to open the par file");
        con.line("file name ", name40);
        con.say("but it is not found (in this location)");
        con.say("check for correct keyword and/or file name");
        con.say();
        stop("Program aborted in read_par_parser @ 280");
    }
    int error = 0;
    if (!parser.reader.load(file_name, error)) {
        con.line(" Error opening", name40);
        con.line("on unit=", channel);
        con.say();
        stop(" Program aborted in read_par_parser @ 289");
    }
    std::string_view line;
    while (parser.reader.next_line(line)) parser.lines.push_back(line);

    parser.locate_sections();
    if (!parser.has_sections()) {
        // Nothing could be read; the checks would only stop at the first zero.
        stop_lines({"The parameter file " + file_name + " holds no section marker",
                    "(such as :GlobalParameters or :HydrologicalParameters)",
                    "Program aborted in read_par_parser"});
    }
    parser.keep_header_comments();
    parser.read_sections();
    parser.copy_to_cells();
    check_parameters(p, basin, run);
    return p;
}
