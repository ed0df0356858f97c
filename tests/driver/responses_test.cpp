#include "driver/responses.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>

#include "common/console.hpp"
#include "common/stop.hpp"
#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using zeltest::lines_of;

// A step of the answers in a fresh basin folder, with console traffic in strings.
struct Driver {
    Driver() { folder.write("zelm.map", ""); }  // the dialogue checks the map file is there
    zeltest::WorkFolder folder;
    std::ostringstream out;
    Responses answers;
    std::optional<Stop> stopped;

    template <class Step>
    void go(Step step, const std::string& input) {
        std::istringstream is(input);
        Console con(is, out);
        try {
            answers = step(con);
        } catch (const Stop& s) {
            stopped = s;
        }
    }
    void dialogue(const std::string& input) { go(run_dialogue, input); }
    void saved() { go(read_saved_answers, ""); }
    // Write `lines` as the saved answers file, each ended by `eol`.
    void save(const std::vector<std::string>& lines, const std::string& eol = "\n") const {
        std::string text;
        for (const auto& l : lines) text += l + eol;
        folder.write("zel_responses.txt", text);
    }
    bool has_lines(std::initializer_list<std::string_view> seq) const {
        return zeltest::has_lines(out.str(), seq);
    }
    std::string stop_message() const { return stopped ? stopped->lines.back() : "(no stop)"; }
};

// Answers up to the wetland split; the caller adds the rest.
const std::string kHead = "zelm.map\nna\nJQ\n0\n0\n";

Responses full_answers() {
    Responses r;
    r.map_file = "zelm.map";
    r.par_file = "basin_par.csv";
    r.initials = "JQ";
    r.outlets = {1482, 1043};
    r.inlets = {482};
    r.split_percent = 30;
    r.split_type = '1';
    r.min_slope = 0.0001f;
    r.adjust_nca = 'y';
    r.nca_choice = 1;
    r.nca_percent = 50;
    r.nca_classes = 0;
    r.dem_stats = 'y';
    return r;
}

const std::vector<std::string> kFullFile = {
    "version_#                     4",
    "map_file_name                 zelm.map                                ",
    "par_file_name                 basin_par.csv                           ",
    "initial                       JQ                                      ",
    "no_outlets_&_locations        2    1482    1043",
    "no_inlets_&_locations         1     482",
    "wetland_split_%                 30.0000000",
    "split_type_1~2                1",
    "min_allowed_slope                0.0001000",
    "adjust_frac_y|n               y",
    "nca_choice_1|2                1",
    "%_to_use(choice_1)              50.0000000",
    "nca_classes(1-3)(choice_2)    0",
    "create_max|mean.r2c_y~n       y",
};

TEST(ResponsesFile, FourteenLinesInTheVersion4Layout) {
    EXPECT_EQ(responses_lines(full_answers()), kFullFile);
    auto echo = responses_lines(full_answers(), true);
    EXPECT_EQ(echo[7], "split_type_1|2                1");
    EXPECT_EQ(echo[0], kFullFile[0]);
}

TEST(ResponsesFile, LongAndAwkwardTextsSurviveTheRoundTrip) {
    Driver d;
    Responses r = full_answers();
    r.map_file = "a_map_file_name_that_is_much_longer_than_forty_characters.map";
    r.par_file = "na";
    r.initials = "J Q, hydrologist";
    auto lines = responses_lines(r);
    EXPECT_EQ(lines[1], "map_file_name                 " + r.map_file);  // not cut
    EXPECT_EQ(lines[3], "initial                       'J Q, hydrologist'                      ");
    d.save(lines, "\r\n");  // an edited file may have CR LF ends
    d.folder.write(r.map_file, "");
    d.saved();
    ASSERT_FALSE(d.stopped) << d.stop_message();
    const Responses& got = d.answers;
    EXPECT_EQ(got.map_file, r.map_file);
    EXPECT_EQ(got.initials, r.initials);
    EXPECT_EQ(got.outlets, r.outlets);
    EXPECT_EQ(got.inlets, r.inlets);
    EXPECT_FLOAT_EQ(got.split_percent, 30);
    EXPECT_EQ(got.split_type, '1');
    EXPECT_FLOAT_EQ(got.min_slope, 0.0001f);
    EXPECT_EQ(got.nca_choice, 1);
    EXPECT_FLOAT_EQ(got.nca_percent, 50);
    EXPECT_EQ(got.dem_stats, 'y');
    EXPECT_EQ(got.par_file, "na");
    // No nca.r2s in the folder: the adjustment has nothing to work with.
    EXPECT_FLOAT_EQ(got.nca_fraction, 0);
    EXPECT_TRUE(d.has_lines({"If not, hit ctrl_C & edit or delete zel_responses.txt",
                             "and relaunch this program.", "", "Waiting ............."}));
}

TEST(ResponsesFile, RealsTooWideForTheirFieldStillReadBack) {
    Driver d;
    Responses r = full_answers();
    r.par_file = "na";
    r.min_slope = 12345.0f;
    r.split_percent = 1.0e30f;
    const auto lines = responses_lines(r);
    EXPECT_EQ(lines[8], "min_allowed_slope                    12345");
    EXPECT_EQ(lines[6], "wetland_split_%                      1e+30");
    d.save(lines);
    d.folder.write(r.map_file, "");
    d.saved();
    ASSERT_FALSE(d.stopped) << d.stop_message();
    EXPECT_FLOAT_EQ(d.answers.min_slope, 12345.0f);
    EXPECT_FLOAT_EQ(d.answers.split_percent, 1.0e30f);
}

TEST(ResponsesFile, DerivedNcaValuesWhenNcaGridExists) {
    Driver d;
    Responses r = full_answers();
    r.par_file = "na";
    d.save(responses_lines(r));
    d.folder.write("zelm.map", "");
    d.folder.write("nca.r2s", "");
    d.saved();
    ASSERT_FALSE(d.stopped) << d.stop_message();
    EXPECT_FLOAT_EQ(d.answers.nca_fraction, 0.5f);
    EXPECT_TRUE(d.answers.nca_choice1);
}

TEST(ResponsesFile, ZeroOutletsGiveAnEmptyList) {
    Driver d;
    Responses r = full_answers();
    r.par_file = "na";
    r.outlets.clear();
    r.inlets.clear();
    EXPECT_EQ(responses_lines(r)[4], "no_outlets_&_locations        0");
    d.save(responses_lines(r));
    d.folder.write("zelm.map", "");
    d.saved();
    ASSERT_FALSE(d.stopped) << d.stop_message();
    EXPECT_TRUE(d.answers.outlets.empty());
}

TEST(ResponsesFile, BrokenFilesStopNamingTheLine) {
    struct Case {
        int line;             // 1-based line to replace (0: cut the file after 9 lines)
        std::string text;     // its new text
        std::string message;  // expected explanation line
    };
    const std::vector<Case> cases = {
        {0, "", "  the line is missing: the file has only 9 lines, and 14 are needed"},
        {7, "wetland_split_%   abc", "  \"abc\" is not a number"},
        {11, "nca_choice_1|2  1.5", "  \"1.5\" is not a whole number"},
        {5, "no_outlets_&_locations   3   12   13",
         "  the line holds fewer ranks than its count 3"},
        {9, "min_allowed_slope", "  a value is missing"},
    };
    const char* keys[] = {"version_#",
                          "map_file_name",
                          "par_file_name",
                          "initial",
                          "no_outlets_&_locations",
                          "no_inlets_&_locations",
                          "wetland_split_%",
                          "split_type_1~2",
                          "min_allowed_slope",
                          "adjust_frac_y|n",
                          "nca_choice_1|2",
                          "%_to_use(choice_1)",
                          "nca_classes(1-3)(choice_2)",
                          "create_max|mean.r2c_y~n"};
    for (const auto& c : cases) {
        Driver d;
        Responses r = full_answers();
        r.par_file = "na";
        auto lines = responses_lines(r);
        if (c.line == 0)
            lines.resize(9);
        else
            lines[c.line - 1] = c.text;
        d.save(lines);
        d.folder.write("zelm.map", "");
        d.saved();
        ASSERT_TRUE(d.stopped) << c.text;
        EXPECT_EQ(d.stopped->exit_status(), 1);
        int line = c.line == 0 ? 10 : c.line;
        ASSERT_GE(d.stopped->lines.size(), 3u);
        EXPECT_EQ(d.stopped->lines[0], "Problem in zel_responses.txt on line " +
                                           std::to_string(line) + " (" + keys[line - 1] + "):");
        EXPECT_EQ(d.stopped->lines[1], c.message);
        EXPECT_EQ(d.stop_message(), " Program aborted");
    }
}

TEST(ResponsesFile, MissingMapOrParameterFileStops) {
    {
        Driver d;
        fs::remove("zelm.map");
        Responses r = full_answers();
        d.save(responses_lines(r));
        d.saved();
        EXPECT_EQ(d.stop_message(), "Program aborted @ 212");
        EXPECT_TRUE(d.has_lines({"file: zelm.map", "not found - please check name"}));
    }
    {
        Driver d;
        Responses r = full_answers();
        d.save(responses_lines(r));
        d.folder.write("zelm.map", "");
        d.saved();
        EXPECT_EQ(d.stop_message(), "Program aborted @ 220");
        EXPECT_TRUE(d.has_lines({"file not found - please check name"}));
        // "na" is never looked for; any other name is.
        d.folder.write("basin_par.csv", "");
        d.stopped.reset();
        d.saved();
        EXPECT_FALSE(d.stopped) << d.stop_message();
        EXPECT_EQ(d.answers.par_file, "basin_par.csv");
    }
}

TEST(ResponsesFile, EditedNcaValuesOutOfRangeStopAsInTheDialogue) {
    Driver d;
    Responses r = full_answers();
    r.par_file = "na";
    r.nca_percent = 150;
    d.save(responses_lines(r));
    d.folder.write("zelm.map", "");
    d.folder.write("nca.r2s", "");
    d.saved();
    EXPECT_EQ(d.stop_message(), "Program aborted @49");
}

TEST(Dialogue, WritesTheAnswersAndAsksForTheSplitType) {
    Driver d;
    d.folder.write("nca.r2s", "");
    d.folder.write("dem.r2s", "");
    d.dialogue(
        "zelm.map\nbasin_par.csv\nJQ\n2\n1482\n   1043\n1\n482\n30\n1\n0.0001\ny\n1\n50\ny\n\n");
    ASSERT_FALSE(d.stopped) << d.stop_message();
    EXPECT_EQ(lines_of("zel_responses.txt"), kFullFile);
    EXPECT_EQ(d.answers.par_file, "basin_par.csv");
    EXPECT_FLOAT_EQ(d.answers.nca_fraction, 0.5f);
    EXPECT_TRUE(d.answers.nca_choice1);
    EXPECT_TRUE(d.has_lines({"Please enter the rank of 2 outlet(s):"}));
    EXPECT_TRUE(d.has_lines({"enter outlet grid # 2"}));
    EXPECT_TRUE(d.has_lines({"You have entered 1"}));
    EXPECT_TRUE(d.has_lines({"", "nca.r2s file found"}));
    EXPECT_TRUE(d.has_lines({"", "A DEM file has been found"}));
    EXPECT_TRUE(
        d.has_lines({"file, please move it now", " Waiting  .......  hit return to continue", "",
                     "New zel_response.txt file written", ""}));
    EXPECT_TRUE(d.has_lines({"A new (Ver. 4) zel_resonse.txt file will be created",
                             "Any old file will be overwritted with:", "", kFullFile[0]}));
}

TEST(Dialogue, SplitTypeRules) {
    {  // an invalid type becomes 2 after a warning and a wait
        Driver d;
        d.dialogue(kHead + "30\n3\n\n0.0001\nn\nn\n");
        ASSERT_FALSE(d.stopped) << d.stop_message();
        EXPECT_EQ(d.answers.split_type, '2');
        EXPECT_TRUE(d.has_lines({"You have entered 3", "invaled answer", "default =2 assumed",
                                 "Please edit zel_response.txt to correct this",
                                 "Hit enter to continue with this entry"}));
        EXPECT_EQ(lines_of("zel_responses.txt")[7], "split_type_1~2                2");
    }
    {  // no split: the type is not asked, and "2" is saved
        Driver d;
        d.dialogue(kHead + "0\n0.0001\nn\nn\n");
        ASSERT_FALSE(d.stopped) << d.stop_message();
        EXPECT_FALSE(d.has_lines({"Enter 1 or 2"}));
        EXPECT_EQ(lines_of("zel_responses.txt")[7], "split_type_1~2                2");
    }
}

TEST(Dialogue, NonContributingAreaStops) {
    struct Case {
        std::string answers;
        std::string stop;
    };
    const std::vector<Case> cases = {
        {"y\n1\n100.5\n", "Program aborted @49"},
        {"y\n1\n-1\n", "Program aborted @ 50"},
        {"y\n2\n4\n", "Program aborted at 920"},
    };
    for (const auto& c : cases) {
        Driver d;
        d.folder.write("nca.r2s", "");
        d.dialogue(kHead + "0\n0.0001\n" + c.answers);
        EXPECT_EQ(d.stop_message(), c.stop) << c.answers;
        EXPECT_EQ(d.stopped->exit_status(), 1);
        // The dialogue was broken off: no answers file is left behind.
        EXPECT_FALSE(fs::exists("zel_responses.txt"));
    }
    Driver d;
    d.folder.write("nca.r2s", "");
    d.dialogue(kHead + "0\n0.0001\ny\n2\n3\nn\n");
    ASSERT_FALSE(d.stopped) << d.stop_message();
    EXPECT_TRUE(d.has_lines({"You have elected to split 3 land cover classes", ""}));
    EXPECT_EQ(d.answers.nca_classes, 3);
}

TEST(Dialogue, NcaWantedButNoGridGivesAWarning) {
    Driver d;
    d.dialogue(kHead + "0\n0.0001\ny\nY\n");
    ASSERT_FALSE(d.stopped) << d.stop_message();
    EXPECT_TRUE(d.has_lines({"", "WARNING:", "nca.2rs file not found", "",
                             "non-contributing areas will not be incorporated"}));
    EXPECT_EQ(d.answers.dem_stats, 'Y');  // only a lower-case y means yes
    EXPECT_FLOAT_EQ(d.answers.nca_fraction, 0);
}

TEST(Dialogue, AnswersAreFreeFormat) {
    Driver d;
    // Blank lines are passed over, the first field counts, ranks may sit anywhere.
    d.dialogue("\n  zelm.map extra\nna,\n\nJQ\n1\n          123456\n0\n0\n1e-4\nno\nn\n");
    ASSERT_FALSE(d.stopped) << d.stop_message();
    EXPECT_EQ(d.answers.map_file, "zelm.map");
    EXPECT_EQ(d.answers.outlets, std::vector<int>{123456});
    EXPECT_FLOAT_EQ(d.answers.min_slope, 1e-4f);
    EXPECT_EQ(d.answers.adjust_nca, 'n');
}

TEST(Dialogue, UnreadableAnswersAreAskedAgainOnlyTheEndOfInputStops) {
    {
        Driver d;
        d.dialogue("gone.map\n" + kHead + "lots\n");
        ASSERT_TRUE(d.stopped);
        EXPECT_EQ(d.stopped->exit_status(), 1);
        EXPECT_TRUE(d.has_lines({"There is no file gone.map in this folder: please give the map file's name"}));
        EXPECT_TRUE(d.has_lines({"The answer \"lots\" is not a number: please answer again"}));
        EXPECT_EQ(d.stopped->lines[0], "The input ended while waiting for an answer to: the wetland split");
    }
    {
        Driver d;
        d.dialogue("zelm.map\nna\nJQ\n2\n");
        ASSERT_TRUE(d.stopped);
        EXPECT_EQ(d.stopped->exit_status(), 1);
        EXPECT_EQ(d.stopped->lines[0],
                  "The input ended while waiting for an answer to: outlet grid # 1");
    }
}

TEST(Dialogue, AFolderNamedLikeTheAnswersFileStops) {
    Driver d;
    fs::create_directory("zel_responses.txt");
    d.dialogue(kHead + "0\n0.0001\nn\nn\n");
    EXPECT_EQ(d.stop_message(), "Program aborted in zel @ 247");
    EXPECT_TRUE(d.has_lines({"Old format zel_responses.txt file found",
                             "Please create a new file by answering the following:",
                             "Problem opening zel_responses.txt", ""}));
}

TEST(ObtainAnswers, OldLayoutRunsTheDialogueAndReplacesTheFile) {
    Driver d;
    d.folder.write("zel_responses.txt", "zelm.map\nna\n");
    d.go(obtain_answers, kHead + "0\n0.0001\nn\nn\n");
    ASSERT_FALSE(d.stopped) << d.stop_message();
    EXPECT_TRUE(
        d.has_lines({"Found zel_responses.txt", "Old format zel_responses.txt file found"}));
    EXPECT_EQ(lines_of("zel_responses.txt").size(), 14u);
    EXPECT_EQ(lines_of("zel_responses.txt")[0], "version_#                     4");
}

}  // namespace
