// The modeller's side of a run: the command-line options, the parameter file
// a name starting with "n" may still be, outputs that always belong to the
// run, and the run log's last lines.
#include <gtest/gtest.h>

#include "e2e/e2e_harness.hpp"

namespace {

// The answers of examples/tiny with line `line` replaced.
std::string tiny_answers(e2e::Basin& b, int line, const std::string& text) {
    auto lines = e2e::split_lines(b.read("zel_responses.txt"));
    lines[static_cast<std::size_t>(line - 1)] = text;
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

TEST(CommandLine, OptionsPrintAndTouchNothing) {
    struct Case {
        std::string arg;
        int status;
        std::string out, err;  // a line each must show
    };
    const Case cases[] = {
        {"--help", 0, "Usage: zel [LEVEL]", ""},
        {"--version", 0, "zel 10.9 (revised Mar. 06, 2016)", ""},
        {"--versoin", 2, "", "zel: unknown option --versoin"},
    };
    for (const Case& c : cases) {
        e2e::Basin b;
        b.copy_example("tiny");
        const auto before = b.files();
        const auto r = b.run("", {c.arg});
        EXPECT_EQ(r.status, c.status) << c.arg;
        if (!c.out.empty()) {
            EXPECT_TRUE(r.has_line(c.out)) << c.arg << "\n" << r.out;
        }
        if (!c.err.empty()) {
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
            EXPECT_NE(r.err.find("Usage: zel [LEVEL]"), std::string::npos) << r.err;
            EXPECT_TRUE(r.out.empty());
        }
        EXPECT_EQ(b.files(), before) << c.arg;
    }
}

TEST(ParameterFile, ANameStartingWithNIsReadWhenTheFileIsThere) {
    e2e::Basin b;
    b.copy_example("demo");
    b.write("north_basin.csv", b.read("basin_par.csv"));
    b.write("zel_responses.txt", tiny_answers(b, 3, "par_file_name                 north_basin.csv"));
    const auto r = b.run("");
    EXPECT_EQ(r.status, 0) << r.out.substr(r.out.size() > 2000 ? r.out.size() - 2000 : 0);
    EXPECT_TRUE(r.has_line("parameter file read"));
    EXPECT_FALSE(r.has_line("zelm_par.r2c not wanted for morvante"));
    EXPECT_TRUE(b.exists("new_ch_par.r2c"));
}

TEST(Outputs, OnlyANormalEndingReplacesOrRemovesThem) {
    e2e::Basin b;
    b.copy_example("tiny");
    // Outputs an earlier run left that this one (no parameter file, no DEM,
    // no non-contributing areas, no drainage error) does not write.
    const std::vector<std::string> stale = {"new_ch_par.r2c", "elv_max.r2c", "nca.xyz", "fort.39"};
    for (const auto& f : stale) b.write(f, "old\n");
    b.write("new_shd.r2c", "old\n");
    b.write("notes.txt", "mine\n");

    // A run that stops on an error leaves every file as it was.
    const std::string map = b.read("zelm.map");
    b.write("zelm.map", map.substr(0, map.find("channel count")));
    auto r = b.run("");
    EXPECT_EQ(r.status, 1);
    for (const auto& f : stale) EXPECT_EQ(b.read(f), "old\n") << f;
    EXPECT_EQ(b.read("new_shd.r2c"), "old\n");
    EXPECT_FALSE(b.exists("new_format.shd"));
    for (const auto& f : b.files()) EXPECT_EQ(f.find(".zeltmp"), std::string::npos) << f;
    EXPECT_NE(r.err.find(" Program aborted"), std::string::npos) << r.err;
    auto log = e2e::split_lines(b.read("zel_info.txt"));
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.back(), "Exit status: 1");
    EXPECT_EQ(log[log.size() - 2], " Program aborted");

    // A normal ending replaces the outputs and removes those it did not write.
    b.write("zelm.map", map);
    r = b.run("");
    EXPECT_EQ(r.status, 0);
    for (const auto& f : stale) {
        EXPECT_FALSE(b.exists(f)) << f;
        EXPECT_TRUE(r.has_line("Removed " + f + ": left by an earlier run, not written by this one"));
    }
    EXPECT_NE(b.read("new_shd.r2c"), "old\n");
    EXPECT_EQ(b.read("notes.txt"), "mine\n");
    EXPECT_EQ(r.last_line(), " Normal ending");
    log = e2e::split_lines(b.read("zel_info.txt"));
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
              (std::vector<std::string>{"The run ended:", " Normal ending", "Exit status: 0"}));
    EXPECT_TRUE(r.err.empty()) << r.err;
}

}  // namespace
