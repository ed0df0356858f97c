#include "driver/sequence_steps.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "common/stop.hpp"
#include "driver/options.hpp"
#include "driver/run_zel.hpp"
#include "test_support.hpp"

namespace {

TEST(CommandLine, LengthOfTheFirstArgumentIsTheDebugLevel) {
    EXPECT_EQ(iopt_from_args({}), -1);
    EXPECT_EQ(iopt_from_args({"x"}), 0);
    EXPECT_EQ(iopt_from_args({"xx"}), 2);
    EXPECT_EQ(iopt_from_args({"abc", "d"}), 3);
    EXPECT_EQ(iopt_from_args({""}), 0);

    // Options begin with "--"; anything else keeps the rule above.
    struct Case {
        std::vector<std::string> args;
        Options::Mode mode;
        int iopt;
    };
    const Case cases[] = {
        {{"--help"}, Options::Mode::help, 6},       {{"--version"}, Options::Mode::version, 9},
        {{"--verbose"}, Options::Mode::misuse, 9},  {{"--help", "x"}, Options::Mode::misuse, 6},
        {{"22", "--check"}, Options::Mode::misuse, 2}, {{"-x"}, Options::Mode::run, 2},
        {{"22"}, Options::Mode::run, 2},
    };
    for (const Case& c : cases) {
        const Options o = parse_options(c.args);
        EXPECT_EQ(o.mode, c.mode) << c.args[0];
        EXPECT_EQ(o.iopt, c.iopt) << c.args[0];
    }
}

TEST(FileNameSplit, BaseTakesTheLastDotAndExtensionThreeCharacters) {
    SplitName a = split_file_name("basin_par.csv");
    EXPECT_EQ(a.base, "basin_par.");
    EXPECT_EQ(a.ext, "csv");
    EXPECT_EQ(a.length, 13);
    SplitName b = split_file_name("my.basin.csv");
    EXPECT_EQ(b.base, "my.basin.");
    EXPECT_EQ(b.ext, "csv");
    EXPECT_EQ(split_file_name("basin.csv.bak").ext, "bak");
    SplitName c = split_file_name("p.c");
    EXPECT_EQ(c.ext, "c  ");
    EXPECT_EQ(c.length, 5);
    SplitName d = split_file_name("parfile");
    EXPECT_EQ(d.ext, "   ");
    EXPECT_EQ(d.base, "parfile");
    EXPECT_EQ(split_file_name("basin.CSV").ext, "CSV");
}

// A driver step in a fresh folder, with console traffic in strings: the
// message and exit status of the stop it ends with (-2 when it returns).
struct Step {
    zeltest::WorkFolder folder;  // outlives the run, which drops its files inside it
    zeltest::TestRun t;
    std::string stop_text;
    int status = -2;

    explicit Step(std::string input = "") : t(std::move(input)) {}
    template <class F>
    void go(F f) {
        try {
            f(t.run);
        } catch (const Stop& s) {
            stop_text = s.lines.back();
            status = s.exit_status();
        }
    }
    std::vector<std::string> lines() const { return t.lines(); }
};

TEST(Ending, CleanRunAndRunWithDrainageErrors) {
    Step clean;
    LegacyFiles legacy;
    clean.go([&](::Run& run) { ending(legacy, 0, run); });
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.stop_text, " Normal ending");
    EXPECT_EQ(clean.lines(),
              (std::vector<std::string>{
                  "", "No. of errors found in the map file = 0",
                  "No. of errors found in the map file = 0",
                  "No. of errors found in the map file = 0", "", "new_shd.r2c has been written",
                  "Please rename new_shd.r2c or replace the zelm_shd.r2c ", ""}));
    Step errors;
    errors.go([&](::Run& run) { ending(legacy, 3, run); });
    EXPECT_EQ(errors.status, 0);
    auto l = errors.lines();
    ASSERT_EQ(l.size(), 9u);
    EXPECT_EQ(l[1], "No. of errors found in the map file = 3");
    EXPECT_EQ(l[5], " ********* please check the zel_info.txt file **********");
    EXPECT_EQ(l[7], " ********* please check the zel_info.txt file **********");
    EXPECT_EQ(l[8], "");
}

TEST(Ending, LegacyFilesStillOpenAreKept) {
    Step s;
    LegacyFiles legacy;
    ASSERT_TRUE(legacy.ssdata.open("ssdata.out"));
    legacy.ssdata.line("kept");
    s.go([&](::Run& run) { ending(legacy, 0, run); });
    EXPECT_FALSE(std::filesystem::exists("ssdata.out"));  // published by the normal ending
    s.t.publish();
    EXPECT_EQ(zeltest::lines_of("ssdata.out"), std::vector<std::string>{"kept"});
}

TEST(ParameterFile, OnlyCsvNamesAreRead) {
    zeltest::ParTestBasin b;
    Responses answers;
    answers.par_file = "basin.par";
    Step s;
    s.go([&](::Run& run) { read_parameter_file(answers, true, b.basin, run); });
    EXPECT_EQ(s.stop_text, "Program aborted in ZEL @ 1975");
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.lines(),
              (std::vector<std::string>{"", "Old format .par file no longer accepted", ""}));

    Step none;  // no parameter file wanted: nothing happens
    std::optional<ParameterSet> par;
    none.go([&](::Run& run) { par = read_parameter_file(answers, false, b.basin, run); });
    EXPECT_EQ(none.status, -2);
    EXPECT_FALSE(par);
    EXPECT_TRUE(none.t.console().empty());

    Step csv;  // a .csv file is read against the basin
    csv.folder.write("basin_par.csv", zeltest::source_text("tests/parfile/fixtures/basin_par.csv"));
    answers.par_file = "basin_par.csv";
    csv.go([&](::Run& run) { par = read_parameter_file(answers, true, b.basin, run); });
    EXPECT_EQ(csv.status, -2) << csv.stop_text;
    ASSERT_TRUE(par);
    EXPECT_EQ(par->classcount, 6);
    EXPECT_EQ(csv.lines(), std::vector<std::string>{"parameter file read"});
}

TEST(OpenFiles, OldReleaseFilesAreDeletedWithAWait) {
    Step s;
    Responses answers;
    answers.map_file = "zelm.map";
    answers.par_file = "na";
    s.folder.write("zelm.map", "#\n:endHeader\n");
    s.folder.write("new.map", "old");
    s.folder.write("new.shd", "old");
    OpenFiles files;
    s.go([&](::Run& run) { files = open_files(answers, run); });
    EXPECT_EQ(s.status, -2) << s.stop_text;
    EXPECT_FALSE(std::filesystem::exists("new.map"));
    EXPECT_FALSE(std::filesystem::exists("new.shd"));
    EXPECT_EQ(s.lines(),
              (std::vector<std::string>{
                  "zelm_par.r2c not wanted for morvante", "existing new.map file deleted",
                  "replaced by new_format.map ", "", "hit enter to continue",
                  "existing new.txt file deleted", "replaced by new_format.map and old_format.map",
                  "", "hit enter to continue"}));
    EXPECT_TRUE(s.t.run.log.is_open());
    EXPECT_EQ(files.map.text(), "#\n:endHeader\n");
    EXPECT_FALSE(files.have_par_file);
    for (const OutputFile* f : {&files.legacy.new_format, &files.legacy.old_format,
                                &files.legacy.ssdata})
        EXPECT_TRUE(f->is_open()) << f->name();
}

}  // namespace
