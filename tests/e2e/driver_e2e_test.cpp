// Runs of the built zel on the driver's own ground: start-up, the answers,
// opening the files, and the stops of those steps.
#include <gtest/gtest.h>

#include <cctype>

#include "basin_builder.hpp"
#include "e2e/e2e_harness.hpp"

namespace {

// The dialogue for the tiny basin, with Enter for the start-up wait first.
std::string tiny_dialogue(const std::string& map = "zelm.map") {
    return "\n" + map + "\nna\nZEL\n0\n0\n0\n0.0001\nn\nn\n\n";
}

// A responses file like that of examples/tiny, with one line replaced.
std::string tiny_responses(e2e::Basin& b, int line = 0, const std::string& text = "") {
    auto lines = e2e::split_lines(b.read("zel_responses.txt"));
    if (line > 0) lines[line - 1] = text;
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

TEST(RunStart, BannerNoticeAndWait) {
    e2e::Basin b;
    b.copy_example("tiny");
    b.write("zel_responses.txt", tiny_responses(b, 2, "map_file_name   gone.map"));
    auto r = b.run("");
    auto l = r.lines();
    ASSERT_GE(l.size(), 30u);
    EXPECT_EQ(l[0], "********************************************************");
    EXPECT_EQ(l[4], "*     Program ZEL Version 10.9     Nov. 23, 2015       *");
    EXPECT_EQ(l[10], "Please see file zel_info.txt for information re: this run");
    EXPECT_TRUE(
        r.has_lines({"The file dem.r2s is required - see TALVIREN manual", "",
                     "Hit enter to continue - Ctrl C to abort", "", "Found zel_responses.txt"}));
    // Saved answers that name a missing map file.
    EXPECT_TRUE(
        r.has_lines({"file: gone.map", "not found - please check name", "Program aborted @ 212"}));
    EXPECT_EQ(r.status, 1);
}

TEST(Dialogue, TyposAndMissingMapFilesAreAskedAgain) {
    e2e::Basin b;
    b.copy_example("tiny");
    const std::string expected = b.read("zel_responses.txt");
    b.remove("zel_responses.txt");
    // A map name that is not there, a letter for the outlet count and "50%"
    // for the split: each is refused with one line and asked again.
    auto r = b.run("\nnomap.map\nzelm.map\nna\nZEL\nx\n0\n0\n50%\n0\n0.0001\nn\nn\n\n");
    EXPECT_TRUE(r.has_line("zel_responses.txt  NOT found"));
    EXPECT_TRUE(r.has_line("There is no file nomap.map in this folder: please give the map file's name"));
    EXPECT_TRUE(r.has_line("The answer \"x\" is not a whole number: please answer again"));
    EXPECT_TRUE(r.has_line("The answer \"50%\" is not a number: please answer again"));
    EXPECT_EQ(b.read("zel_responses.txt"), expected);
    EXPECT_EQ(r.status, 0) << r.out;
}

TEST(Dialogue, InputEndingEarlyStopsClearly) {
    e2e::Basin b;
    b.copy_example("tiny");
    b.write("zel_responses.txt", "an old layout\n");
    auto r = b.run("\nzelm.map\nna\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.has_line("Old format zel_responses.txt file found"));
    EXPECT_TRUE(
        r.has_line("The input ended while waiting for an answer to: your name or initials"));
    // The broken-off dialogue leaves the earlier file as it was, and no temporary file.
    EXPECT_EQ(b.read("zel_responses.txt"), "an old layout\n");
    EXPECT_EQ(b.files(), (std::vector<std::string>{"zel_responses.txt", "zelm.map"}));
}

TEST(SavedAnswers, BrokenFileStopsNamingFileAndLine) {
    {
        e2e::Basin b;
        b.copy_example("tiny");
        auto text = tiny_responses(b);
        text.resize(text.find("min_allowed_slope"));
        b.write("zel_responses.txt", text);
        auto r = b.run("");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.has_lines({"Problem in zel_responses.txt on line 9 (min_allowed_slope):",
                                 "  the line is missing: the file has only 8 lines, and 14 are "
                                 "needed"}));
        EXPECT_EQ(r.last_line(), " Program aborted");
    }
    {
        e2e::Basin b;
        b.copy_example("tiny");
        b.write("zel_responses.txt", tiny_responses(b, 5, "no_outlets_&_locations        x"));
        auto r = b.run("");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.has_lines({"Problem in zel_responses.txt on line 5 (no_outlets_&_locations):",
                                 "  \"x\" is not a whole number"}));
    }
}

TEST(OpenFiles, MapOrParameterFileThatIsAFolder) {
    {
        e2e::Basin b;
        b.copy_example("tiny");
        b.remove("zelm.map");
        b.make_folder("zelm.map");
        auto r = b.run("");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(
            r.has_lines({" Unable to open the file zelm.map", " Are you in the proper directory?",
                         " Did you enter the proper map file name?",
                         " Does the file you named exist?", "", " Program aborted"}));
    }
    {
        e2e::Basin b;
        b.copy_example("tiny");
        b.make_folder("basin_par.csv");
        b.write("zel_responses.txt", tiny_responses(b, 3, "par_file_name   basin_par.csv"));
        auto r = b.run("");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.has_lines({"Problems on unit 32", "basin_par.csv", "iostat code = 21",
                                 "program aborted in zel @ 139"}));
    }
}

TEST(OpenFiles, OutputNameTakenByAFolder) {
    struct Case {
        std::string name, shown;
    };
    for (const Case& c : {Case{"new_format.shd", "NEW1.SHD"}, Case{"old_format.shd", "NEW.SHD"},
                          Case{"ssdata.out", "ssdata.out"}, Case{"zel_info.txt", "zel.err"}}) {
        e2e::Basin b;
        b.copy_example("tiny");
        b.make_folder(c.name);
        auto r = b.run("");
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_TRUE(
            r.has_lines({" Problems opening the " + c.shown + " file ",
                         " Possible cause: file open or read only", "", " Program ZEL aborted"}))
            << r.out;
        // Nothing half-written is left under the names of the files opened before.
        for (const auto& f : b.files()) EXPECT_EQ(f.find(".zeltmp"), std::string::npos) << f;
    }
}

// ---- Full runs of examples/tiny ----
// These go through every stage of the run (map file, network, land cover,
// outputs) and pass only once all of them are in place; the tests above stop
// before the map file is read and depend on the driver alone.

TEST(TinyBasin, DialogueRunEndsNormally) {
    e2e::Basin b;
    b.copy_example("tiny");
    const std::string expected = b.read("zel_responses.txt");
    b.remove("zel_responses.txt");
    auto r = b.run(tiny_dialogue());
    EXPECT_EQ(b.read("zel_responses.txt"), expected);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.last_line(), " Normal ending");
    EXPECT_TRUE(r.has_lines(
        {"No. of errors found in the map file = 0", "No. of errors found in the map file = 0",
         "No. of errors found in the map file = 0", "", "new_shd.r2c has been written"}));
    for (const char* f :
         {"new_shd.r2c", "new_format.shd", "old_format.shd", "ssdata.out", "zel_info.txt"})
        EXPECT_TRUE(b.exists(f)) << f;
}

TEST(TinyBasin, SavedAnswersReplayInBatch) {
    e2e::Basin b;
    b.copy_example("tiny");
    b.write("new.map", "from an older release");
    const std::string saved = b.read("zel_responses.txt");
    auto r = b.run("");  // like < /dev/null
    EXPECT_TRUE(r.has_lines(
        {"split_type_1|2                2", "min_allowed_slope                0.0001000"}));
    EXPECT_TRUE(r.has_lines({"and relaunch this program.", "", "Waiting .............",
                             "zelm_par.r2c not wanted for morvante"}));
    EXPECT_TRUE(r.has_lines({"existing new.map file deleted", "replaced by new_format.map ", "",
                             "hit enter to continue"}));
    EXPECT_FALSE(b.exists("new.map"));
    EXPECT_EQ(b.read("zel_responses.txt"), saved);
    EXPECT_FALSE(r.contains("Enter the basin (map) file name:"));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.last_line(), " Normal ending");
}

TEST(TinyBasin, DebugLevelTwoWaitsAtItsCheckpoints) {
    e2e::Basin b;
    b.copy_example("tiny");
    auto r = b.run("", {"dd"});
    auto l = r.lines();
    std::vector<std::string> marks;
    for (const auto& s : l)
        if (s.size() == 2 && s[0] >= '1' && s[0] <= '2' &&
            std::isdigit(static_cast<unsigned char>(s[1])))
            marks.push_back(s);
    EXPECT_EQ(marks, (std::vector<std::string>{"11", "12", "13", "14", "15", "16", "17", "18", "19",
                                               "20", "21"}));
    EXPECT_EQ(r.status, 0) << r.out;
    // Without an argument, or with a one-character one, no checkpoint waits.
    auto quiet = b.run("", {"x"});
    EXPECT_FALSE(quiet.has_line("11"));
}

// ---- The demo basin cut at other outlets ----

TEST(DemoBasin, AnyOutletWritesTheProfilesOfItsWatershed) {
    e2e::Basin b;
    b.copy_example("demo");
    // Rank 575 drains into a basin cell, and a side branch joins the river there.
    b.write("zel_responses.txt",
            tiny_responses(b, 5, "no_outlets_&_locations        1     575"));
    auto r = b.run("");
    EXPECT_EQ(r.status, 0) << r.out.substr(r.out.size() > 2000 ? r.out.size() - 2000 : 0);
    EXPECT_EQ(r.last_line(), " Normal ending");
    EXPECT_TRUE(r.has_line("finished writing river10.xyz"));
    // The main profile ends at the watershed's receiving cell, at chainage 0.
    const auto main = e2e::split_lines(b.read("profil01.dat"));
    ASSERT_FALSE(main.empty());
    EXPECT_NE(main.back().find(" 1 0 "), std::string::npos) << main.back();
}

// ---- A basin draining to two receiving squares ----

TEST(EarlyEnding, TwoReceivingSquaresEndEarlyWithTheOverviewWritten) {
    e2e::Basin b;
    b.copy_example("tiny");  // for its answers: no outlet chosen
    zeltest::BasinBuilder m = zeltest::BasinBuilder::hand_checked();
    m.map.dir(2, 2) = 4;  // south, to a second receiving square
    m.map.elev(1, 2) = 2;
    b.write("zelm.map", m.map_text());
    auto r = b.run("");
    EXPECT_EQ(r.status, 0) << r.out.substr(r.out.size() > 2000 ? r.out.size() - 2000 : 0);
    EXPECT_EQ(r.last_line(), "Normal ending @ 3807");
    EXPECT_TRUE(r.has_line("zel_overview.svg written"));
    EXPECT_NE(b.read("zel_overview.svg").find("No river profile in this run"), std::string::npos);
    EXPECT_FALSE(b.exists("profil01.dat"));
}

}  // namespace
