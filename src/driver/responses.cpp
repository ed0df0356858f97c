#include "driver/responses.hpp"

#include <cstring>
#include <initializer_list>
#include <span>

#include "common/console.hpp"
#include "common/free_format.hpp"
#include "common/output_file.hpp"
#include "common/responses.hpp"
#include "common/stop.hpp"
#include "common/text.hpp"
#include "driver/run_zel.hpp"
#include "common/field_format.hpp"

namespace {

// Keys of the 14 lines and the width of their key fields.
struct Key {
    const char* name;
    int width;
};
constexpr Key kKeys[14] = {
    {"version_#", 26},
    {"map_file_name", 30},
    {"par_file_name", 30},
    {"initial", 30},
    {"no_outlets_&_locations", 23},
    {"no_inlets_&_locations", 23},
    {"wetland_split_%", 30},
    {"split_type_1~2", 30},
    {"min_allowed_slope", 30},
    {"adjust_frac_y|n", 30},
    {"nca_choice_1|2", 26},
    {"%_to_use(choice_1)", 30},
    {"nca_classes(1-3)(choice_2)", 26},
    {"create_max|mean.r2c_y~n", 30},
};

// A text value in 40 columns. Longer texts are written whole: the file is read
// back free-format, and a cut name would break the next run. A text that the
// reader would split (blanks, commas, slashes, quotes, repeat stars) is quoted.
std::string text_field(const std::string& s) {
    std::string v = s;
    if (s.find_first_of(" \t,/'\"*") != std::string::npos) {
        char q = s.find('\'') == std::string::npos ? '\'' : '"';
        v = q + s + q;
    }
    if (v.size() < 40) v.resize(40, ' ');
    return v;
}

std::string key_field(int line, bool echo) {
    std::string_view name = kKeys[line - 1].name;
    if (echo && line == 8) name = "split_type_1|2";
    return padded(name, static_cast<std::size_t>(kKeys[line - 1].width));
}

std::string rank_list(const std::vector<int>& ranks) {
    std::string s;
    field::put_i(s, static_cast<long long>(ranks.size()), 8);
    for (int r : ranks) field::put_i(s, r, 8);
    return s;
}

// ---- the console dialogue ----

// One free-format answer into `t`. A line without any field gives no value,
// so the answer is looked for on the next line, as with any free-format read;
// an answer that cannot be read is refused and the question asked again.
void ask_into(Console& con, const std::string& question, Target t) {
    for (;;) {
        std::string line = con.ask(question);
        ReadStatus st = parse_fields(line, std::span<const Target>(&t, 1));
        if (st) return;
        if (st.code == ReadStatus::bad_value) {
            const char* wanted = t.kind == Target::Kind::integer ? "a whole number" : "a number";
            con.say("The answer \"" + st.text + "\" is not " + wanted + ": please answer again");
        }
    }
}

int ask_int(Console& con, const std::string& question) {
    int v = 0;
    ask_into(con, question, as_int(v));
    return v;
}

float ask_real(Console& con, const std::string& question) {
    float v = 0;
    ask_into(con, question, as_real(v));
    return v;
}

std::string ask_text(Console& con, const std::string& question) {
    std::string v;
    ask_into(con, question, as_text(v));
    return v;
}

// A one-character answer: the first character of the first field.
char ask_char(Console& con, const std::string& question, char initial) {
    std::string v(1, initial);
    ask_into(con, question, as_text(v));
    return v.empty() ? ' ' : v[0];
}

void say_all(Console& con, std::initializer_list<std::string_view> lines) {
    for (auto l : lines) con.say(l);
}

void check_nca_percent(float percent) {
    if (percent > 100.0f) stop("Program aborted @49");
    if (percent < 0.0f) stop("Program aborted @ 50");
}

void check_nca_classes(Console& con, int classes) {
    if (classes >= 4) {
        con.say();
        con.say("WHOAH!!!!");
        con.say("3 is the maximum allowed");
        stop("Program aborted at 920");
    }
}

// ---- reading zel_responses.txt ----

class SavedFile {
  public:
    explicit SavedFile(std::string text) : reader_(std::move(text), kResponsesFile) {}

    // Move to line n (1-based) of the file.
    std::string_view line(int n) {
        line_no_ = n;
        if (!reader_.next_line(line_))
            problem("the line is missing: the file has only " + num(n - 1) +
                    " lines, and 14 are needed");
        return line_;
    }

    // The key, then the values; `required` values must be present.
    void parse(std::vector<Target> values, bool required = true,
               const std::string& missing = "a value is missing") {
        std::string key;
        values.insert(values.begin(), as_text(key));
        ReadStatus st = parse_fields(line_, values);
        if (st.code == ReadStatus::bad_value) {
            bool whole = st.field >= 1 && st.field <= values.size() &&
                         values[st.field - 1].kind == Target::Kind::integer;
            problem("\"" + st.text + "\" is not " + (whole ? "a whole number" : "a number"));
        }
        if (st.code != ReadStatus::ok && required) problem(missing);
    }

    std::string text() {
        std::string v;
        parse({as_text(v)}, false);
        return v;
    }
    char character(char initial) {
        std::string v(1, initial);
        parse({as_text(v)}, false);
        return v.empty() ? ' ' : v[0];
    }
    int integer() {
        int v = 0;
        parse({as_int(v)});
        return v;
    }
    float real() {
        float v = 0;
        parse({as_real(v)});
        return v;
    }
    // A count followed by that many ranks.
    std::vector<int> ranks() {
        int count = 0;
        parse({as_int(count)});
        std::vector<int> out;
        if (count <= 0) return out;
        // Every rank takes at least one character of the line.
        if (static_cast<std::size_t>(count) > line_.size())
            problem("the count " + num(count) + " is larger than the number of ranks given");
        out.assign(static_cast<std::size_t>(count), 0);
        std::vector<Target> values{as_int(count)};
        for (int& r : out) values.push_back(as_int(r));
        parse(std::move(values), true, "the line holds fewer ranks than its count " + num(count));
        return out;
    }

    [[noreturn]] void problem(const std::string& what) const {
        stop_lines({"Problem in zel_responses.txt on line " + num(line_no_) + " (" +
                        kKeys[line_no_ - 1].name + "):",
                    "  " + what,
                    "Please edit or delete zel_responses.txt and relaunch this program.",
                    " Program aborted"});
    }

  private:
    TextReader reader_;
    std::string_view line_;
    int line_no_ = 0;
};

// The ranks of `count` grids of one kind ("outlet" or "inlet"), one question each.
void ask_ranks(Console& con, const std::string& kind, int count, std::vector<int>& ranks) {
    for (int k = 1; k <= count; ++k) {
        con.line("enter " + kind + " grid #", k);
        ranks.push_back(ask_int(con, kind + " grid # " + num(k)));
    }
}

}  // namespace

// A real of the answers file: F12.7, or, when that cannot hold it, its
// shortest exact text right-aligned in 12 columns, so the file always reads
// back (the run checks and clamps the value).
std::string real_field(float v) {
    std::string text = field::F(v, 12, 7);
    if (text.find('*') == std::string::npos) return text;
    text = num(v);
    return text.size() < 12 ? std::string(12 - text.size(), ' ') + text : text;
}

std::vector<std::string> responses_lines(const Responses& r, bool echo) {
    std::vector<std::string> out;
    out.reserve(14);
    out.push_back(key_field(1, echo) + field::I(echo ? 4 : r.version, 5));
    out.push_back(key_field(2, echo) + text_field(r.map_file));
    out.push_back(key_field(3, echo) + text_field(r.par_file));
    out.push_back(key_field(4, echo) + text_field(r.initials));
    out.push_back(key_field(5, echo) + rank_list(r.outlets));
    out.push_back(key_field(6, echo) + rank_list(r.inlets));
    out.push_back(key_field(7, echo) + real_field(r.split_percent));
    out.push_back(key_field(8, echo) + std::string(1, r.split_type));
    out.push_back(key_field(9, echo) + real_field(r.min_slope));
    out.push_back(key_field(10, echo) + std::string(1, r.adjust_nca));
    out.push_back(key_field(11, echo) + field::I(r.nca_choice, 5));
    out.push_back(key_field(12, echo) + real_field(r.nca_percent));
    out.push_back(key_field(13, echo) + field::I(r.nca_classes, 5));
    out.push_back(key_field(14, echo) + std::string(1, r.dem_stats));
    return out;
}

void set_derived_answers(Responses& r) {
    r.nca_fraction = 0;
    r.nca_choice1 = false;
    if (r.adjust_nca == 'y' && file_exists(kNcaFile)) {
        r.nca_fraction = 1.0f;
        if (r.nca_choice == 1) {
            r.nca_fraction = r.nca_percent / 100.0f;
            r.nca_choice1 = true;
        }
    }
}

Responses read_saved_answers(Console& con) {
    std::string text;
    int error = 0;
    if (!read_whole_file(kResponsesFile, text, error))
        stop_lines({std::string("Unable to read zel_responses.txt: ") + std::strerror(error),
                    " Program aborted"});
    SavedFile file(std::move(text));
    Responses r;

    file.line(1);
    r.version = file.integer();
    file.line(2);
    r.map_file = file.text();
    if (!file_exists(r.map_file)) {
        con.line("file:", r.map_file);
        con.say("not found - please check name");
        stop("Program aborted @ 212");
    }
    file.line(3);
    r.par_file = file.text();
    if (r.par_file != "na" && !file_exists(r.par_file)) {
        con.say("file not found - please check name");
        stop("Program aborted @ 220");
    }
    file.line(4);
    r.initials = file.text();
    file.line(5);
    r.outlets = file.ranks();
    file.line(6);
    r.inlets = file.ranks();
    file.line(7);
    r.split_percent = file.real();
    file.line(8);
    r.split_type = file.character(r.split_type);
    file.line(9);
    r.min_slope = file.real();
    file.line(10);
    r.adjust_nca = file.character(r.adjust_nca);
    file.line(11);
    r.nca_choice = file.integer();
    file.line(12);
    r.nca_percent = file.real();
    file.line(13);
    r.nca_classes = file.integer();
    file.line(14);
    r.dem_stats = file.character(r.dem_stats);

    con.say();
    for (const auto& l : responses_lines(r, true)) con.say(l);
    say_all(con, {"", "If these values are ok", "please hit enter to continue",
                  "If not, hit ctrl_C & edit or delete zel_responses.txt",
                  "and relaunch this program.", ""});
    con.wait("Waiting .............");

    // The checks the dialogue makes when these values are typed, so that an
    // edited file cannot bring in values the dialogue would refuse.
    if (r.adjust_nca == 'y' && file_exists(kNcaFile)) {
        if (r.nca_choice == 1) check_nca_percent(r.nca_percent);
        if (r.nca_choice == 2) check_nca_classes(con, r.nca_classes);
    }
    set_derived_answers(r);
    return r;
}

namespace {

void ask_files_and_name(Console& con, Responses& r) {
    con.say("Enter the basin (map) file name:");
    // Checked now: a name that is not there would only stop every later run.
    for (;;) {
        r.map_file = ask_text(con, "the basin (map) file name");
        if (readable_file(r.map_file)) break;
        con.say("There is no file " + r.map_file + " in this folder: please give the map file's name");
    }
    say_all(con, {"Enter the parameter (par) file name ONLY",
                  "if you need a zelm_par.r2c file for MORVANTE", "other wise, enter:    na"});
    r.par_file = ask_text(con, "the parameter (par) file name");
    con.say();
    con.say("Enter your name or initials");
    r.initials = ask_text(con, "your name or initials");
}

void ask_outlets_and_inlets(Console& con, Responses& r) {
    say_all(con, {"Once you have a shd file for the whole domain",
                  "you can extract sub-watersheds to run on their own",
                  "I.e. you can remove downstream grids from the modelling",
                  "Load the shd file for the whole domain", "into GreenKenue and note the rank(s)",
                  "of the location(s) where you would like an outlet -",
                  "normally at streamflow locations but not necessarily so",
                  "Enter the number of sub-watersheds", "(to NOT remove downstream gridsenter 0)"});
    int outlets = ask_int(con, "the number of sub-watersheds");
    say_all(con, {"", "Enter the outlet grid rank(s) you would", "like included in the simulation",
                  "These should NOT be the receiving grids!!!!", ""});
    con.line("Please enter the rank of", outlets, "outlet(s):");
    say_all(con, {"", "example:  1482", "example:  1043", "example:  1899", ""});
    ask_ranks(con, "outlet", outlets, r.outlets);

    say_all(con, {"Similarly,", "Upstream watersheds can be removed from the modelling",
                  "Enter the number of inlet grids", "To use the all upstream watershes enter 0",
                  "OR enter the no of grids where upstream area is NOT", "to be modelled:"});
    int inlets = ask_int(con, "the number of inlet grids");
    say_all(con, {"", "Enter the inlet grid rank(s) you would", "like to use for the simulation",
                  "These would normally be streamgage locations",
                  "where you could add inflow to be routed downstream",
                  "using either the str or div files", ""});
    con.line("Please enter the rank of", inlets, "inlet(s)");
    say_all(con, {"", "example:   482", "example:    43", "example:    99", ""});
    ask_ranks(con, "inlet", inlets, r.inlets);
}

void ask_wetland_split_and_slope(Console& con, Responses& r) {
    say_all(con, {"", "Enter the split: % of wetland coupled to channel",
                  "only if you have two identical sets of wetland",
                  "land cover grids as the 2 classes before the",
                  "water class in the land use section of the map file",
                  "Enter 0 if you have just 1 block of wetland cover", "", "Split = ?"});
    r.split_percent = ask_real(con, "the wetland split");
    if (r.split_percent > 0.0f) {
        say_all(con, {"", "NEW  June 22/11", "Wetland split options:",
                      "Option 1: Old way - split % of wetland - 1% minimum",
                      "Option 2: New way - split % =  max % wetland coupled",
                      "                  - wetland >  split % not coupled",
                      "                  - wetland <= split % all coupled", "", "Enter 1 or 2"});
        r.split_type = ask_char(con, "the wetland split option", r.split_type);
        con.line("You have entered ", r.split_type);
        if (r.split_type != '1' && r.split_type != '2') {
            say_all(con, {"invaled answer", "default =2 assumed",
                          "Please edit zel_response.txt to correct this"});
            r.split_type = '2';
            con.wait("Hit enter to continue with this entry");
        }
    } else {
        r.split_type = '2';
    }

    say_all(con, {"", " Often DEM have flat spots filled and you end up with",
                  " unwanted flat spots in your river profile",
                  " It causes severe flattening of the hydrographs",
                  " Enter the minimum allowable river slope",
                  " that you have in your sustem - e.g. 0.0001", " Min accepted value = 0.0000001",
                  " Max value accepted is 1.0 (45 degrees!)", ""});
    r.min_slope = ask_real(con, "the minimum allowable river slope");
}

void ask_non_contributing_areas(Console& con, Responses& r) {
    say_all(con, {"Do you want to incorporate", "non-contributing areas (nca)   y/n?",
                  "To incorporate nca`s an nca.r2s file is required", ""});
    r.adjust_nca = ask_char(con, "non-contributing areas y/n", r.adjust_nca);
    if (r.adjust_nca == 'y' && file_exists(kNcaFile)) {
        say_all(con, {"", "nca.r2s file found", "You have 2 choices for using the non contr. area",
                      "1. simply reduce the value of frac for each cell",
                      "   by it`s % non-contributing", "   No extra classes.",
                      "   nca(s) is (are) eliminated from the modelling", "OR",
                      "2. divide up to 3 land cover classes into contr.",
                      "   and non-contr. using the % non-contr.",
                      "   These will be additional classes which need to be",
                      "   accounted for in the par file. Thus these nca`s",
                      "   can be made to contribute during very wet years", "",
                      "Continue with adjustment of frac?", "1 = choice # 1", "2 = choice # 2"});
        r.nca_choice = ask_int(con, "the non-contributing area choice (1 or 2)");
        if (r.nca_choice == 1) {
            say_all(con, {"What % of the nca would you like to use?", "acceptable range 0%-100%"});
            r.nca_percent = ask_real(con, "the % of the nca to use");
            check_nca_percent(r.nca_percent);
        } else if (r.nca_choice == 2) {
            say_all(
                con,
                {"Would you like to split any classes into", "contributing and non-contributing?",
                 "You can only split the first `n` classes", "in the shd file (not the map file)",
                 "e.g. if crops & grass are the first 2", "you can split these by answering 2",
                 "If you want to split only the first one", "enter 1  -  for no split, enter 0",
                 "3 is the maximum", "How many?"});
            r.nca_classes = ask_int(con, "the number of classes to split");
            check_nca_classes(con, r.nca_classes);
            con.line("You have elected to split", r.nca_classes, " land cover classes");
            con.say();
        }
    } else {
        if (r.adjust_nca == 'y') say_all(con, {"", "WARNING:", "nca.2rs file not found", ""});
        r.nca_percent = 0;
        say_all(con, {"non-contributing areas will not be incorporated", "in the shed file", ""});
    }
}

void ask_dem_statistics(Console& con, Responses& r) {
    say_all(con, {"Do you want to create  new", "elev_means.r2c & elev_max.r2c files   y/n?",
                  "To create these files, a dem.2rs file is required",
                  "which can be created in GK by saving the dem", "as an r2s file", ""});
    r.dem_stats = ask_char(con, "mean & max grid elevations y/n", r.dem_stats);
    if (file_exists(kDemFile)) {
        say_all(con, {"", "A DEM file has been found", "so mean grid elevations will be calculated",
                      "and written to a files: elev_means.r2c",
                      "These mean elevations will be used for lapse rate",
                      "adjustments to temperature & precip if left in", "the basin directory", ""});
    }
}

// Show the 14 lines, wait, and write them (or, failing that, to fort.99).
void save_answers(Console& con, OutputFile& saved, const Responses& r) {
    const std::vector<std::string> lines = responses_lines(r);
    say_all(con, {"", "A new (Ver. 4) zel_resonse.txt file will be created",
                  "Any old file will be overwritted with:", ""});
    for (const auto& l : lines) con.say(l);
    say_all(con, {"", "If you wish to keep the existing zel_responses.txt,",
                  "file, please move it now"});
    con.wait(" Waiting  .......  hit return to continue");

    for (const auto& l : lines) saved.line(l);
    if (!saved.commit()) {
        con.say("Problems opening zel_responses.txt");
        con.say("Please ensure the file is not already open");
        con.wait("hit enter to continue - look for fort.99");
        OutputFile fallback;
        if (fallback.open(kResponsesFallback)) {
            for (const auto& l : lines) fallback.line(l);
            fallback.commit();
        }
    }
    say_all(con, {"", "New zel_response.txt file written", ""});
}

}  // namespace

Responses run_dialogue(Console& con) {
    Responses r;
    if (file_exists(kResponsesFile)) con.say("Old format zel_responses.txt file found");
    con.say("Please create a new file by answering the following:");
    // Written under a temporary name and renamed when complete, so a dialogue
    // broken off never destroys the previous answers.
    OutputFile saved;
    if (!saved.open(kResponsesFile)) {
        con.say("Problem opening zel_responses.txt");
        con.say();
        stop("Program aborted in zel @ 247");
    }
    con.say("Opened zel_responses.txt");
    con.say();

    ask_files_and_name(con, r);
    ask_outlets_and_inlets(con, r);
    ask_wetland_split_and_slope(con, r);
    ask_non_contributing_areas(con, r);
    ask_dem_statistics(con, r);
    set_derived_answers(r);
    save_answers(con, saved, r);
    return r;
}

Responses obtain_answers(Console& con) {
    std::string first = "junk";
    if (file_exists(kResponsesFile)) {
        con.say("Found zel_responses.txt");
        std::string text;
        int error = 0;
        if (read_whole_file(kResponsesFile, text, error)) {
            TextReader file(std::move(text), kResponsesFile);
            std::string_view line;
            std::string field;
            Target t = as_text(field);
            if (file.next_line(line) && parse_fields(line, std::span<const Target>(&t, 1)))
                first = field;
        }
    } else {
        con.say("zel_responses.txt  NOT found");
    }
    if (first.compare(0, 9, "version_#") == 0) return read_saved_answers(con);
    return run_dialogue(con);
}
