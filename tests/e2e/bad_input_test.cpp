// Bad input, end to end: examples/tiny with one thing broken, run in batch
// (empty standard input). Every case must end by itself, without a crash; an
// input the run cannot go on with gives exit status 1 and a message naming
// the file; an input that is survivable runs through to the normal ending.
// Either way the answers file and every input are left as they were.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <sstream>

#include "e2e/e2e_harness.hpp"

namespace {

namespace fs = std::filesystem;

// The map file as lines, with edits addressed by block title and data row.
class MapText {
  public:
    explicit MapText(const std::string& text) : lines_(e2e::split_lines(text)) {}

    std::size_t find(const std::string& start) const {
        for (std::size_t i = 0; i < lines_.size(); ++i)
            if (lines_[i].compare(0, start.size(), start) == 0) return i;
        throw std::runtime_error("no line starting with " + start);
    }
    // Data row `row` (1 = first row after the title) of the block titled `title`.
    std::string& row(const std::string& title, int row) { return lines_[find(title) + row]; }
    // Replace field `field` (1-based, blank separated) of a data row.
    MapText& set(const std::string& title, int data_row, int field, const std::string& value) {
        std::istringstream in(row(title, data_row));
        std::vector<std::string> f;
        for (std::string w; in >> w;) f.push_back(w);
        f.at(static_cast<std::size_t>(field - 1)) = value;
        std::string out;
        for (const auto& w : f) out += "  " + w;
        row(title, data_row) = out;
        return *this;
    }
    MapText& header(const std::string& key, const std::string& value) {
        lines_[find(key)] = key + "  " + value;
        return *this;
    }
    // Keep only the lines before `index`.
    MapText& cut(std::size_t index) {
        lines_.resize(index);
        return *this;
    }
    // Every data value of a block.
    MapText& fill(const std::string& title, const std::string& value) {
        for (int r = 1; r <= 6; ++r)
            for (int c = 1; c <= 8; ++c) set(title, r, c, value);
        return *this;
    }
    std::vector<std::string>& lines() { return lines_; }
    std::string text() const {
        std::string out;
        for (const auto& l : lines_) out += l + "\n";
        return out;
    }

  private:
    std::vector<std::string> lines_;
};

const char* const kBlocks[] = {"elevation (m)",
                               "fraction of the square",
                               "drainage direction",
                               "river class",
                               "contour count",
                               "channel count",
                               "reach number",
                               "forest",
                               "wetland",
                               "water",
                               "impervious"};

std::string garbage(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen() & 0xff);
    return s;
}

// Replace the value of one line of zel_responses.txt, found by its key.
void set_answer(const e2e::Basin& b, const std::string& key, const std::string& value) {
    auto lines = e2e::split_lines(b.read("zel_responses.txt"));
    std::string out;
    for (auto& l : lines) {
        if (l.compare(0, key.size(), key) == 0) l = key + "   " + value;
        out += l + "\n";
    }
    b.write("zel_responses.txt", out);
}

enum class Outcome { stops, runs };

struct Case {
    std::string name;
    std::function<void(e2e::Basin&)> prepare;
    Outcome outcome = Outcome::stops;
    // Text the closing lines must hold: the file named by the stop message, or
    // for a run that goes on, the line that reports what was wrong.
    std::string shows = "zelm.map";
    std::string known_fault;  // reported and not yet mended: the case is skipped
};

std::string case_name(const std::string& s) {
    std::string out;
    for (char c : s) out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return out;
}

Case make_case(std::string name, std::function<void(e2e::Basin&)> prepare,
               Outcome outcome = Outcome::stops, std::string shows = "zelm.map") {
    Case c;
    c.name = std::move(name);
    c.prepare = std::move(prepare);
    c.outcome = outcome;
    c.shows = std::move(shows);
    return c;
}

Case with(Case c, std::string shows, std::string known_fault = {}) {
    c.shows = std::move(shows);
    c.known_fault = std::move(known_fault);
    return c;
}

// A case whose map file is examples/tiny's with `edit` applied.
Case map_case(std::string name, std::function<void(MapText&)> edit,
              Outcome outcome = Outcome::stops, std::string shows = "zelm.map") {
    return make_case(
        std::move(name),
        [edit](e2e::Basin& b) {
            MapText m(b.read("zelm.map"));
            edit(m);
            b.write("zelm.map", m.text());
        },
        outcome, std::move(shows));
}

Case folder_case(const std::string& output, std::function<void(e2e::Basin&)> before = {}) {
    return make_case(
        "folder_named_" + case_name(output),
        [output, before](e2e::Basin& b) {
            if (before) before(b);
            b.make_folder(output);
        },
        Outcome::stops, output);
}

std::vector<Case> all_cases() {
    std::vector<Case> cs;

    // --- truncated map files ---
    cs.push_back(map_case("truncated_in_header", [](MapText& m) { m.cut(m.find(":xCount")); }));
    cs.push_back(
        map_case("truncated_before_endHeader", [](MapText& m) { m.cut(m.find(":endHeader")); }));
    for (const char* block : kBlocks) {
        cs.push_back(map_case("truncated_in_" + case_name(block),
                              [block](MapText& m) { m.cut(m.find(block) + 3); }));
    }
    cs.push_back(map_case("truncated_after_last_full_row_of_a_row_value",
                          [](MapText& m) { m.row("impervious", 6).resize(9); }));

    // --- letters, decimals, NaN and Inf ---
    const std::pair<const char*, const char*> letters[] = {
        {"elevation (m)", "1o0.0"},  {"fraction of the square", "abc"},
        {"drainage direction", "x"}, {"river class", "one"},
        {"contour count", "2a"},     {"channel count", "?"},
        {"reach number", "r1"},      {"forest", "ten"},
        {"impervious", "O"}};
    for (auto [block, value] : letters)
        cs.push_back(map_case("letters_in_" + case_name(block),
                              [=](MapText& m) { m.set(block, 3, 3, value); }));
    const std::pair<const char*, const char*> decimals[] = {
        {"drainage direction", "4.0"}, {"river class", "1.5"},  {"contour count", "2."},
        {"channel count", "1e0"},      {"reach number", "0.0"}, {"wetland", "10.5"}};
    for (auto [block, value] : decimals)
        cs.push_back(map_case("decimal_in_" + case_name(block),
                              [=](MapText& m) { m.set(block, 3, 3, value); }));
    const std::pair<const char*, const char*> specials[] = {{"elevation (m)", "NaN"},
                                                            {"elevation (m)", "Inf"},
                                                            {"elevation (m)", "-infinity"},
                                                            {"elevation (m)", "1e39"},
                                                            {"fraction of the square", "nan"}};
    for (auto [block, value] : specials)
        cs.push_back(
            map_case(std::string("special_") + case_name(value) + "_in_" + case_name(block),
                     [=](MapText& m) { m.set(block, 3, 3, value); }));
    cs.push_back(
        map_case("header_value_not_a_number", [](MapText& m) { m.header(":xDelta", "1km"); }));
    cs.push_back(map_case("header_value_NaN", [](MapText& m) { m.header(":yDelta", "NaN"); }));

    // --- absurd counts ---
    const std::pair<const char*, const char*> counts[] = {
        {":xCount", "0"},          {":yCount", "-8"},          {":xCount", "2000000000"},
        {":yCount", "2000000000"}, {":xCount", "99999999999"}, {":classCount", "1000000000"},
        {":xCount", "9"}};
    for (auto [key, value] : counts)
        cs.push_back(map_case("count_" + case_name(key) + "_" + case_name(value),
                              [=](MapText& m) { m.header(key, value); }));
    // Counts that do not match the data: the dropped values are reported, and
    // a block that runs into the next one points at the counts.
    cs.push_back(map_case(
        "count_xCount_7_drops_a_value_a_row", [](MapText& m) { m.header(":xCount", "7"); },
        Outcome::runs, "1 value beyond the 7 of :xCount ignored; 5 more rows of this block too"));
    cs.push_back(map_case(
        "elevation_row_with_a_value_too_many",
        [](MapText& m) { m.row("elevation (m)", 2) += " 9"; }, Outcome::runs,
        "(elevations, row 2 of the block): 1 value beyond the 8 of :xCount ignored"));
    cs.push_back(map_case("count_yCount_7_runs_into_the_next_block",
                          [](MapText& m) { m.header(":yCount", "7"); }, Outcome::stops,
                          "may be larger than the data of the map file"));
    cs.push_back(map_case("both_counts_100000", [](MapText& m) {
        m.header(":xCount", "100000").header(":yCount", "100000");
    }));
    // A class count below 2: every square is all class 1, the class blocks are not read.
    cs.push_back(map_case(
        "class_count_below_2", [](MapText& m) { m.header(":classCount", "-3"); }, Outcome::runs,
        "Number of classes stipulated = -3"));

    // --- drainage directions and the grid's edge ---
    // A square whose direction leads nowhere is a drainage error: counted,
    // reported at the end, and the run goes on.
    const char* drainage_error = "No. of errors found in the map file = 1";
    cs.push_back(with(map_case(
                          "direction_9", [](MapText& m) { m.set("drainage direction", 3, 3, "9"); },
                          Outcome::runs),
                      drainage_error));
    cs.push_back(
        with(map_case(
                 "direction_negative", [](MapText& m) { m.set("drainage direction", 3, 3, "-1"); },
                 Outcome::runs),
             drainage_error));
    // The outlet square itself in the basin, draining south off the grid.
    cs.push_back(map_case(
        "basin_touching_the_south_edge",
        [](MapText& m) {
            m.set("fraction of the square", 6, 4, "100.0").set("drainage direction", 6, 4, "4");
        },
        Outcome::stops, "outlet elements have not been"));
    // A basin square on the west edge pointing west, off the grid.
    cs.push_back(map_case(
        "west_edge_square_points_off_the_grid",
        [](MapText& m) {
            m.set("elevation (m)", 3, 1, "200.0")
                .set("fraction of the square", 3, 1, "100.0")
                .set("drainage direction", 3, 1, "6");
        },
        Outcome::runs));
    cs.push_back(map_case(
        "all_elevations_zero", [](MapText& m) { m.fill("elevation (m)", "0.0"); }, Outcome::stops,
        "no grid has an elevation above 0.0"));
    cs.push_back(map_case(
        "all_elevations_negative", [](MapText& m) { m.fill("elevation (m)", "-5.0"); },
        Outcome::stops, "no grids were numbered"));

    // --- very long lines ---
    cs.push_back(map_case(
        "header_comment_of_100000_characters",
        [](MapText& m) { m.lines().insert(m.lines().begin() + 1, "#" + std::string(100000, 'x')); },
        Outcome::runs, "No. of errors found in the map file = 0"));
    cs.push_back(map_case(
        "elevation_row_of_100000_characters",  // values after the row's last are dropped
        [](MapText& m) {
            std::string& r = m.row("elevation (m)", 2);
            while (r.size() < 100000) r += " 0.0";
        },
        Outcome::runs, "No. of errors found in the map file = 0"));
    cs.push_back(map_case(
        "class_name_of_100000_characters",
        [](MapText& m) { m.lines()[m.find("wetland")] = "wetland" + std::string(100000, 'w'); },
        Outcome::runs, "No. of errors found in the map file = 0"));
    cs.push_back(map_case("number_of_100000_digits", [](MapText& m) {
        m.set("contour count", 2, 2, std::string(100000, '7'));
    }));
    cs.push_back(make_case(
        "responses_map_name_of_100000_characters",
        [](e2e::Basin& b) { set_answer(b, "map_file_name", std::string(100000, 'm')); },
        Outcome::stops, "mmmmmmmm"));

    // --- binary garbage ---
    cs.push_back(
        make_case("map_all_garbage", [](e2e::Basin& b) { b.write("zelm.map", garbage(4096, 1)); }));
    cs.push_back(make_case("map_garbage_after_the_first_colon", [](e2e::Basin& b) {
        b.write("zelm.map", garbage(4096, 2).insert(0, 1, ':'));
    }));
    cs.push_back(map_case("garbage_in_the_fraction_block", [](MapText& m) {
        std::string g = garbage(300, 3);
        for (char& c : g)
            if (c == '\n' || c == '\r') c = 'x';
        m.row("fraction of the square", 3) = g;
    }));
    cs.push_back(make_case(
        "responses_garbage",
        [](e2e::Basin& b) { b.write("zel_responses.txt", "version_#  4\n" + garbage(2000, 4)); },
        Outcome::stops, "zel_responses.txt"));
    cs.push_back(make_case(
        "responses_with_nul_bytes",
        [](e2e::Basin& b) {
            std::string t = b.read("zel_responses.txt");
            t[t.find("ZEL")] = '\0';
            t[t.find("0.0001000")] = '\0';
            b.write("zel_responses.txt", t);
        },
        Outcome::stops, "zel_responses.txt"));

    // --- empty files ---
    cs.push_back(make_case("empty_map_file", [](e2e::Basin& b) { b.write("zelm.map", ""); }));
    // An empty answers file is not a saved-answers file: the dialogue starts,
    // and with no input its first question stops the run.
    cs.push_back(make_case(
        "empty_responses_file", [](e2e::Basin& b) { b.write("zel_responses.txt", ""); },
        Outcome::stops, "map"));
    cs.push_back(make_case(
        "empty_class_combine_csv", [](e2e::Basin& b) { b.write("class_combine.csv", ""); },
        Outcome::stops, "class_combine.csv"));
    cs.push_back(make_case(
        "empty_class_combine_txt", [](e2e::Basin& b) { b.write("class_combine.txt", ""); },
        Outcome::stops, "class_combine.txt"));
    cs.push_back(make_case(
        "empty_parameter_file",
        [](e2e::Basin& b) {
            b.write("basin_par.csv", "");
            set_answer(b, "par_file_name", "basin_par.csv");
        },
        Outcome::stops, "basin_par.csv"));
    cs.push_back(make_case(
        "empty_dem_r2s",
        [](e2e::Basin& b) {
            b.write("dem.r2s", "");
            set_answer(b, "create_max|mean.r2c_y~n", "y");
        },
        Outcome::stops, "dem.r2s"));
    cs.push_back(make_case(
        "empty_nca_r2s",
        [](e2e::Basin& b) {
            b.write("nca.r2s", "");
            set_answer(b, "adjust_frac_y|n", "y");
            set_answer(b, "nca_choice_1|2", "1");
            set_answer(b, "%_to_use(choice_1)", "50.0");
        },
        Outcome::stops, "nca.r2s"));

    // --- absurd sizes in the side files ---
    cs.push_back(make_case(
        "class_combine_new_class_2000000000",
        [](e2e::Basin& b) {
            b.write("class_combine.csv",
                    "version,2\nheading\nforest,f,1,1\nwetland,w,2,2000000000\n");
        },
        Outcome::stops, "class_combine.csv"));
    cs.push_back(make_case(
        "dem_r2s_counts_2000000000",
        [](e2e::Basin& b) {
            b.write("dem.r2s",
                    ":Projection UTM\n:xOrigin 500000\n:yOrigin 4800000\n"
                    ":xCount 2000000000\n:yCount 2000000000\n:xDelta 100\n"
                    ":yDelta 100\n:EndHeader\n1 2 3\n");
            set_answer(b, "create_max|mean.r2c_y~n", "y");
        },
        Outcome::stops, "dem.r2s"));

    cs.push_back(make_case(
        "nca_r2s_xcount_2000000000",
        [](e2e::Basin& b) {
            b.write("nca.r2s",
                    ":Projection UTM\n:xOrigin 500000\n:yOrigin 4800000\n"
                    ":xCount 2000000000\n:yCount 1\n:xDelta 100\n"
                    ":yDelta 100\n:EndHeader\n1 2 3\n");
            set_answer(b, "adjust_frac_y|n", "y");
            set_answer(b, "nca_choice_1|2", "1");
            set_answer(b, "%_to_use(choice_1)", "50.0");
        },
        Outcome::stops, "nca.r2s"));

    // --- output names taken by folders ---
    for (const char* out : {"new_shd.r2c", "new.pdl", "1D_reach_locations.xyz", "profil01.dat"})
        cs.push_back(folder_case(out));
    for (const char* out : {"zel_info.txt", "new_format.shd", "old_format.shd"})
        cs.push_back(with(folder_case(out), out));
    // Not written, said so, and the run goes on.
    Case tvo = folder_case("tvo_spec.new");
    tvo.outcome = Outcome::runs;
    cs.push_back(with(tvo, " unable to open a new tvo_spec.new file"));
    cs.push_back(folder_case("elv_means.r2c", [](e2e::Basin& b) {
        fs::copy(fs::path(ZEL_SOURCE_DIR) / "examples/demo/dem.r2s", b.path("dem.r2s"));
        set_answer(b, "create_max|mean.r2c_y~n", "y");
    }));
    return cs;
}

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

// Every regular file of the folder with its contents.
std::map<std::string, std::string> snapshot(const e2e::Basin& b) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(b.dir()))
        if (e.is_regular_file()) out[e.path().filename()] = e2e::read_file(e.path());
    return out;
}

// The last `n` non-empty console lines.
std::string last_lines(const e2e::Result& r, std::size_t n) {
    std::vector<std::string> kept;
    for (const auto& l : r.lines())
        if (!l.empty()) kept.push_back(l);
    std::string out;
    for (std::size_t i = kept.size() > n ? kept.size() - n : 0; i < kept.size(); ++i)
        out += kept[i] + "\n";
    return out;
}

class BadInput : public ::testing::TestWithParam<Case> {};

TEST_P(BadInput, EndsCleanlyAndLeavesInputsAlone) {
    const Case& c = GetParam();
    // ZEL_BAD_INPUT_ALL=1 runs the known faults too (to see whether they are mended).
    if (!c.known_fault.empty() && !std::getenv("ZEL_BAD_INPUT_ALL"))
        GTEST_SKIP() << "known fault, reported: " << c.known_fault;
    e2e::Basin b;
    b.copy_example("tiny");
    c.prepare(b);
    const auto before = snapshot(b);

    const e2e::Result r = b.run("", {}, 30);

    const std::string tail = r.out.size() > 3000 ? r.out.substr(r.out.size() - 3000) : r.out;
    ASSERT_EQ(r.signal, 0) << "killed by signal " << r.signal << " (crash or time limit)\n"
                           << tail << r.err.substr(0, 3000);
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err.substr(0, 3000);
    if (std::getenv("ZEL_BAD_INPUT_SHOW"))
        std::cout << "---- " << c.name << "\n" << last_lines(r, 8);
    if (c.outcome == Outcome::stops) {
        EXPECT_EQ(r.status, 1) << tail;
        // The stop's explanation, in the closing lines, names the file.
        EXPECT_NE(last_lines(r, 12).find(c.shows), std::string::npos)
            << "no mention of " << c.shows << " in:\n"
            << tail;
    } else {
        EXPECT_EQ(r.status, 0) << tail;
        EXPECT_EQ(r.last_line(), " Normal ending") << tail;
        EXPECT_NE(r.out.find(c.shows), std::string::npos) << tail;
    }

    const auto after = snapshot(b);
    for (const auto& [name, text] : before) {
        auto it = after.find(name);
        ASSERT_NE(it, after.end()) << name << " was removed";
        EXPECT_TRUE(it->second == text) << name << " was changed";
    }
    for (const auto& [name, text] : after)
        EXPECT_EQ(name.find(".zeltmp"), std::string::npos) << "left behind: " << name;
}

INSTANTIATE_TEST_SUITE_P(TinyBasin, BadInput, ::testing::ValuesIn(all_cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return info.param.name;
                         });

}  // namespace
