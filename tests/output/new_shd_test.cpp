#include <algorithm>

#include "output/outputs.hpp"
#include "output_test_support.hpp"

namespace {

using outtest::lines_of;

class NewShd : public outtest::InTempDir {
  protected:
    void SetUp() override {
        InTempDir::SetUp();
        outtest::allocate(run, 4, 5, 3);
        outtest::set_cells(run, {{2, 2, 2}, {2, 3, 3}, {2, 4, 0}}, 1);
        run.nrvr = 2;
        run.grid.da(2, 2) = 1.0f;
        run.grid.da(2, 3) = 2.5f;
        run.grid.slope(2, 2) = 0.01f;
        run.grid.slope(2, 3) = 0.02f;
        run.grid.fetch[1](2, 2) = 3.5f;  // east, in grid-square sides
        run.grid.classes[0](2, 2) = 0.25f;
        run.min_slope = 0.0001f;
    }
    std::vector<std::string> write() {
        write_new_shd(run, con);
        return lines_of("new_shd.r2c");
    }
    static std::size_t index_of(const std::vector<std::string>& lines, const std::string& prefix) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].rfind(prefix, 0) == 0) return i;
        ADD_FAILURE() << "no line starts with " << prefix;
        return 0;
    }
    // Lines of value block b (1-based), rows of the window south first.
    static std::vector<std::string> block(const std::vector<std::string>& lines, int b, int rows) {
        const std::size_t first =
            index_of(lines, ":EndHeader") + 1 + static_cast<std::size_t>((b - 1) * rows);
        return {lines.begin() + static_cast<long>(first),
                lines.begin() + static_cast<long>(first) + rows};
    }
};

TEST_F(NewShd, HeaderLinesCarryTheirFieldsAndPadding) {
    const auto lines = write();
    ASSERT_GT(lines.size(), 60u);
    EXPECT_EQ(lines[0], "########################################");
    EXPECT_EQ(lines[6], ":Version                 10             ");
    EXPECT_EQ(lines[7], ":WrittenBy          JQ" + std::string(38, ' '));
    EXPECT_EQ(lines[11], ":SourceFileName     zelm.map" + std::string(32, ' '));
    EXPECT_EQ(lines[12], ":NominalGridSize_AL     1000.000");
    EXPECT_EQ(lines[15], ":ClassCount                    3");
    EXPECT_EQ(lines[16], ":NumRiverClasses               2");
    EXPECT_EQ(lines[18], ":TotalNumOfGrids               3");
    EXPECT_EQ(lines[19], ":numGridsInBasin               2");
    EXPECT_EQ(lines[20], ":DebugGridNo                   1");
    EXPECT_EQ(lines[26], ":Projection         UTM       ");
    EXPECT_EQ(lines[27], ":Zone               17        ");
    EXPECT_EQ(lines[28], ":Ellipsoid          NAD83     ");
    EXPECT_EQ(lines[33], ":AttributeName 1 Rank         ");
    EXPECT_EQ(lines[52], ":AttributeName 20 FetchN      ");
    EXPECT_EQ(lines[53], ":AttributeName 21 class1              ");
    EXPECT_EQ(lines[55], ":AttributeName 23 class3              ");
    EXPECT_EQ(lines[index_of(lines, ":EndHeader")], padded(":EndHeader", 40));
    // 20 fixed and 3 class blocks of 4 rows each follow the header.
    EXPECT_EQ(lines.size(), index_of(lines, ":EndHeader") + 1 + 23 * 4);
    EXPECT_TRUE(console_has(" frame= 23 written"));
    EXPECT_TRUE(console_has("new_shd.r2c written"));
}

TEST_F(NewShd, TrimmedWindowShiftsOriginAndCounts) {
    run.window.west = 1;
    run.window.east = 1;
    run.window.south = 1;
    run.n_kept = 2;  // a cell was removed: N and N - 1
    const auto lines = write();
    EXPECT_EQ(lines[index_of(lines, ":xOrigin")], ":xOrigin                 1000.00000");
    EXPECT_EQ(lines[index_of(lines, ":yOrigin")], ":yOrigin                 1000.00000");
    EXPECT_EQ(lines[index_of(lines, ":xCount")], ":xCount                        3");
    EXPECT_EQ(lines[index_of(lines, ":yCount")], ":yCount                        3");
    EXPECT_EQ(lines[index_of(lines, ":TotalNumOfGrids")], ":TotalNumOfGrids               2");
    EXPECT_EQ(lines[index_of(lines, ":numGridsInBasin")], ":numGridsInBasin               1");
    run.n_kept = 3;  // two outlets, two receiving cells: the basin is N - 2
    run.n_kept_receiving = 2;
    EXPECT_EQ(write()[index_of(lines, ":numGridsInBasin")], ":numGridsInBasin               1");
    // Rank block: rows 2..4, columns 2..4 of the basin.
    const auto rank = block(lines, 1, 3);
    EXPECT_EQ(rank[0], "    1    2    3");
    EXPECT_EQ(rank[1], "    0    0    0");
}

TEST_F(NewShd, ValueFieldsOfTheBlocks) {
    const auto lines = write();
    EXPECT_EQ(block(lines, 1, 4)[1], "    0    1    2    3    0");
    EXPECT_EQ(block(lines, 2, 4)[1], "    0    2    3    0    0");
    // DA: E12.7 is one character short of a leading zero.
    EXPECT_EQ(block(lines, 3, 4)[1],
              " .0000000E+00 .1000000E+01 .2500000E+01 .0000000E+00 .0000000E+00");
    EXPECT_EQ(block(lines, 5, 4)[1].substr(0, 33), "  0.0000000  0.0100000  0.0200000");
    // Fetch east times al, F10.0 without a leading blank.
    EXPECT_EQ(block(lines, 14, 4)[1].substr(0, 20), "        0.     3500.");
    EXPECT_EQ(block(lines, 21, 4)[1].substr(0, 18), "    0.000    0.250");
}

TEST_F(NewShd, RanksTakeSixCharactersAbove9999Cells) {
    run.n_kept = 10000;
    const auto lines = write();
    EXPECT_EQ(block(lines, 1, 4)[1], "     0     1     2     3     0");
    EXPECT_EQ(lines[index_of(lines, ":TotalNumOfGrids")], ":TotalNumOfGrids           10000");
}

TEST_F(NewShd, TwoSplitClassesAreWrittenInPairs) {
    run.answers.nca_classes = 2;
    run.nca_grid_held = true;
    run.grid.nca_fraction(2, 2) = 0.2f;
    const auto lines = write();
    EXPECT_EQ(lines[index_of(lines, ":ClassCount")], ":ClassCount                    5");
    const std::size_t a = index_of(lines, ":AttributeName 21");
    EXPECT_EQ(lines[a], ":AttributeName 21 class1              ");
    EXPECT_EQ(lines[a + 1], ":AttributeName 22 nca_class1              ");
    EXPECT_EQ(lines[a + 2], ":AttributeName 23 class2              ");
    EXPECT_EQ(lines[a + 3], ":AttributeName 24 nca_class2              ");
    EXPECT_EQ(lines[a + 4], ":AttributeName 25 class3              ");
    EXPECT_EQ(lines[a + 5], padded("#", 40));
    // class 1 of 0.25 with 20 % non-contributing: 0.2 and 0.05.
    EXPECT_EQ(block(lines, 21, 4)[1].substr(9, 9), "    0.200");
    EXPECT_EQ(block(lines, 22, 4)[1].substr(9, 9), "    0.050");
    EXPECT_TRUE(console_has("# nca_class1"));
    EXPECT_TRUE(console_has("end of writing split classes"));
    EXPECT_TRUE(console_has(" frame= 25 written"));
}

TEST_F(NewShd, SplitClassesStops) {
    run.answers.nca_classes = 4;
    Stop s = expect_stop([&] { write_new_shd(run, con); });
    EXPECT_EQ(s.lines.back(), "Program aborted in ZEL @ 2504");
    EXPECT_TRUE(console_has("Too many class splits - ony first 3 allowed"));
    EXPECT_FALSE(std::filesystem::exists("new_shd.r2c"));

    run.answers.nca_classes = 1;
    run.nca_grid_held = false;
    s = expect_stop([&] { write_new_shd(run, con); });
    EXPECT_EQ(s.lines.back(), "nca not allocated");
    EXPECT_FALSE(std::filesystem::exists("new_shd.r2c"));
}

TEST_F(NewShd, NonPositiveSlopesAskAndOnlyLowerCaseYReplacesThem) {
    run.grid.slope(2, 3) = -0.0001f;
    run.grid.slope(4, 5) = 0.0f;  // outside the basin: no question for it alone
    in.str("y\n");
    auto lines = write();
    EXPECT_TRUE(console_has("-ve slopes found"));
    EXPECT_TRUE(console_has("-ve slopes eliminated"));
    EXPECT_EQ(block(lines, 5, 4)[1].substr(0, 33), "  0.0000000  0.0100000  0.0001000");

    out.str("");
    in.clear();
    in.str("Y\n");
    lines = write();
    EXPECT_FALSE(console_has("-ve slopes eliminated"));
    EXPECT_EQ(block(lines, 5, 4)[1].substr(0, 33), "  0.0000000  0.0100000 -0.0001000");

    // At the end of the input the answer is "n" and the file is still written.
    out.str("");
    in.clear();
    in.str("");
    lines = write();
    EXPECT_TRUE(console_has("-ve slopes found"));
    EXPECT_EQ(block(lines, 5, 4)[1].substr(0, 33), "  0.0000000  0.0100000 -0.0001000");
}

TEST_F(NewShd, NoQuestionForZeroSlopeOutsideTheBasin) {
    write();
    EXPECT_FALSE(console_has("-ve slopes found"));
}

TEST_F(NewShd, LongRowsContinueAfter999Values) {
    outtest::allocate(run, 1, 1001, 1);
    outtest::set_cells(run, {{1, 1000, 2}, {1, 1001, 0}}, 1);
    const auto lines = write();
    const std::size_t first = index_of(lines, ":EndHeader") + 1;
    EXPECT_EQ(lines[first].size(), 999u * 5);
    EXPECT_EQ(lines[first + 1], "    1    2");
}

TEST_F(NewShd, AFolderInTheWayStopsWithoutAFile) {
    std::filesystem::create_directory("new_shd.r2c");
    Stop s = expect_stop([&] { write_new_shd(run, con); });
    EXPECT_EQ(s.lines.back(), " Program ZEL aborted @ 1966");
    EXPECT_EQ(s.exit_status(), 1);
    EXPECT_TRUE(console_has(" Problems opening the new_shd.r2c file "));
    EXPECT_TRUE(console_has(" Possible cause: file open or read only"));
    EXPECT_TRUE(std::filesystem::is_directory("new_shd.r2c"));
    EXPECT_FALSE(std::filesystem::exists("new_shd.r2c.zeltmp"));
}

}  // namespace
