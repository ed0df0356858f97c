// zel --check and zel --locate on the demo basin and on broken copies of it:
// what they find, their exit statuses, and that they write nothing.
#include <gtest/gtest.h>

#include <functional>

#include "e2e/e2e_harness.hpp"

namespace {

// Field `field` (1-based) of line `line` (1-based) of `text` set to `value`.
std::string with_field(const std::string& text, std::size_t line, std::size_t field,
                       const std::string& value) {
    auto lines = e2e::split_lines(text);
    std::istringstream in(lines.at(line - 1));
    std::vector<std::string> f;
    for (std::string w; in >> w;) f.push_back(w);
    f.at(field - 1) = value;
    std::string row;
    for (const auto& w : f) row += " " + w;
    lines[line - 1] = row;
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

TEST(Check, TheDemoIsReadyAndBrokenCopiesNameEachFinding) {
    struct Case {
        std::string name;
        std::function<void(e2e::Basin&)> edit;
        std::string finding;
    };
    // The demo's map: directions from line 92, grass from line 247, north row first;
    // the square of line 94, column 17 has a blank square to its north.
    const std::vector<Case> cases = {
        {"ready", [](e2e::Basin&) {}, "ready to run"},
        {"xCount one short",
         [](e2e::Basin& b) {
             std::string m = b.read("zelm.map");
             m.replace(m.find(":xCount                  40"), 27, ":xCount                  39");
             b.write("zelm.map", m);
         },
         "problem: zelm.map line 30 (elevations, row 1 of the block): 1 value beyond the 39 of "
         ":xCount ignored; 29 more rows of this block too"},
        {"direction into a blank square",
         [](e2e::Basin& b) { b.write("zelm.map", with_field(b.read("zelm.map"), 94, 17, "8")); },
         "problem: 1 basin square drain into a blank square (elevation 0 or below) (first: row 28, "
         "column 17, code 8)"},
        {"classes beyond 100 %",
         [](e2e::Basin& b) { b.write("zelm.map", with_field(b.read("zelm.map"), 249, 17, "101")); },
         "have land-cover percentages that do not add up to 100 (first: row 28, column 17"},
        {"no wetland split for a parameter file of 7 classes",
         [](e2e::Basin& b) {
             std::string r = b.read("zel_responses.txt");
             r.replace(r.find("30.0000000"), 10, " 0.0000000");
             b.write("zel_responses.txt", r);
         },
         "problem: progran aborted in write_par_10 @ 348"},
        {"map cut short",
         [](e2e::Basin& b) {
             const std::string m = b.read("zelm.map");
             b.write("zelm.map", m.substr(0, m.find("River class")));
         },
         "in file zelm.map line 122: the file ends before the values expected here"},
    };
    for (const Case& c : cases) {
        e2e::Basin b;
        b.copy_example("demo");
        c.edit(b);
        const auto before = b.files();
        const auto r = b.run("", {"--check"});
        EXPECT_NE(r.out.find(c.finding), std::string::npos) << c.name << "\n" << r.out;
        EXPECT_EQ(r.status, c.name == "ready" ? 0 : 1) << c.name << "\n" << r.out;
        EXPECT_EQ(b.files(), before) << c.name;
        if (c.name != "ready") {
            EXPECT_NE(r.last_line().find("found"), std::string::npos) << r.out;
        }
    }
}

TEST(Locate, ARiverCellNearAGaugeAndAPointOffTheGrid) {
    e2e::Basin b;
    b.copy_example("demo");
    const auto before = b.files();
    auto r = b.run("", {"--locate", "512600", "5020300"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.has_line("The point 512600, 5020300 lies in the square at 512500.0, 5020500.0: "
                           "row 21, column 13"))
        << r.out;
    EXPECT_TRUE(r.has_line("no_outlets_&_locations        1     295")) << r.out;
    EXPECT_EQ(b.files(), before);

    r = b.run("", {"--locate", "0", "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("lies outside the grid"), std::string::npos) << r.out;
    r = b.run("", {"--locate", "1e3"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(b.files(), before);
}

}  // namespace
