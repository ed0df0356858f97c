#include "driver/sequence_steps.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "driver/run_zel.hpp"
#include "e2e/e2e_harness.hpp"

namespace {

TEST(CommandLine, LengthOfTheFirstArgumentIsTheDebugLevel) {
    EXPECT_EQ(iopt_from_args({}), -1);
    EXPECT_EQ(iopt_from_args({"x"}), 0);
    EXPECT_EQ(iopt_from_args({"xx"}), 2);
    EXPECT_EQ(iopt_from_args({"abc", "d"}), 3);
    EXPECT_EQ(iopt_from_args({""}), 0);
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

struct Step {
    e2e::TempFolder folder;
    std::unique_ptr<Run> run = std::make_unique<Run>();
    std::ostringstream out;
    std::string stop_text;
    int status = -2;

    // Open output files are dropped inside the folder they were opened in.
    ~Step() {
        e2e::InFolder in(folder.dir());
        run.reset();
    }

    template <class F>
    void go(F f, const std::string& input = "") {
        e2e::InFolder in(folder.dir());
        std::istringstream is(input);
        Console con(is, out);
        try {
            f(*run, con);
        } catch (const Stop& s) {
            stop_text = s.lines.back();
            status = s.exit_status();
        }
    }
    std::vector<std::string> lines() const { return e2e::split_lines(out.str()); }
};

TEST(Ending, CleanRunAndRunWithDrainageErrors) {
    Step clean;
    clean.go(ending);
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.stop_text, " Normal ending");
    EXPECT_EQ(clean.lines(),
              (std::vector<std::string>{
                  "", "No. of errors found in the map file = 0",
                  "No. of errors found in the map file = 0",
                  "No. of errors found in the map file = 0", "", "new_shd.r2c has been written",
                  "Please rename new_shd.r2c or replace the zelm_shd.r2c ", ""}));
    Step errors;
    errors.run->errors = 3;
    errors.go(ending);
    EXPECT_EQ(errors.status, 0);
    auto l = errors.lines();
    ASSERT_EQ(l.size(), 9u);
    EXPECT_EQ(l[1], "No. of errors found in the map file = 3");
    EXPECT_EQ(l[5], " ********* please check the zel_info.txt file **********");
    EXPECT_EQ(l[7], " ********* please check the zel_info.txt file **********");
    EXPECT_EQ(l[8], "");
}

TEST(ParameterFile, OnlyCsvNamesAreRead) {
    Step s;
    s.run->have_par_file = true;
    s.run->fln[2] = "basin.par";
    s.go(read_parameter_file);
    EXPECT_EQ(s.stop_text, "Program aborted in ZEL @ 1975");
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.lines(),
              (std::vector<std::string>{"", "Old format .par file no longer accepted", ""}));

    Step none;  // no parameter file wanted: nothing happens
    none.go(read_parameter_file);
    EXPECT_EQ(none.status, -2);
    EXPECT_TRUE(none.out.str().empty());
}

TEST(OpenFiles, OldReleaseFilesAreDeletedWithAWait) {
    Step s;
    s.run->answers.map_file = "zelm.map";
    s.run->answers.par_file = "na";
    s.folder.write("zelm.map", "#\n:endHeader\n");
    s.folder.write("new.map", "old");
    s.folder.write("new.shd", "old");
    s.go(open_files);
    EXPECT_EQ(s.status, -2) << s.stop_text;
    EXPECT_FALSE(s.folder.exists("new.map"));
    EXPECT_FALSE(s.folder.exists("new.shd"));
    EXPECT_EQ(s.lines(),
              (std::vector<std::string>{
                  "zelm_par.r2c not wanted for morvante", "existing new.map file deleted",
                  "replaced by new_format.map ", "", "hit enter to continue",
                  "existing new.txt file deleted", "replaced by new_format.map and old_format.map",
                  "", "hit enter to continue"}));
    EXPECT_TRUE(s.run->log.is_open());
    EXPECT_EQ(s.run->map.text(), "#\n:endHeader\n");
}

}  // namespace
