#include <gtest/gtest.h>

#include <filesystem>

#include "basin_builder.hpp"
#include "common/stop.hpp"
#include "common/text.hpp"
#include "output/outputs.hpp"
#include "test_support.hpp"

namespace {

using zeltest::lines_of;

class NewShd : public ::testing::Test {
  protected:
    void SetUp() override {
        p.set_cells({{2, 2, 2}, {2, 3, 3}, {2, 4, 0}}, 1);
        p.basin.map.nrvr = 2;
        p.net.da(2, 2) = 1.0f;
        p.net.da(2, 3) = 2.5f;
        p.net.slope(2, 2) = 0.01f;
        p.net.slope(2, 3) = 0.02f;
        p.fetch[1](2, 2) = 3.5f;  // east, in grid-square sides
        p.cover.classes[0](2, 2) = 0.25f;
        p.basin.answers.min_slope = 0.0001f;
    }
    std::vector<std::string> write() {
        write_new_shd(p.written(), t.run);
        t.publish();
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

    zeltest::WorkFolder folder;
    zeltest::TestRun t;
    zeltest::WrittenProducts p{zeltest::BasinBuilder(4, 5, 1000.0f, 3)};
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
    EXPECT_TRUE(t.said(" frame= 23 written"));
    EXPECT_TRUE(t.said("new_shd.r2c written"));
}

TEST_F(NewShd, TrimmedWindowShiftsOriginAndCounts) {
    p.trim(1, 0, 1, 1);
    p.shed.cells = 2;  // a cell was removed: N and N - 1
    const auto lines = write();
    EXPECT_EQ(lines[index_of(lines, ":xOrigin")], ":xOrigin                 1000.00000");
    EXPECT_EQ(lines[index_of(lines, ":yOrigin")], ":yOrigin                 1000.00000");
    EXPECT_EQ(lines[index_of(lines, ":xCount")], ":xCount                        3");
    EXPECT_EQ(lines[index_of(lines, ":yCount")], ":yCount                        3");
    EXPECT_EQ(lines[index_of(lines, ":TotalNumOfGrids")], ":TotalNumOfGrids               2");
    EXPECT_EQ(lines[index_of(lines, ":numGridsInBasin")], ":numGridsInBasin               1");
    p.shed.cells = 3;  // two outlets, two receiving cells: the basin is N - 2
    p.shed.receiving = 2;
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
    p.shed.cells = 10000;
    const auto lines = write();
    EXPECT_EQ(block(lines, 1, 4)[1], "     0     1     2     3     0");
    EXPECT_EQ(lines[index_of(lines, ":TotalNumOfGrids")], ":TotalNumOfGrids           10000");
}

TEST_F(NewShd, TwoSplitClassesAreWrittenInPairs) {
    p.basin.answers.nca_classes = 2;
    p.nca.held = true;
    p.nca.fraction.assign(4, 5, 0.0f);
    p.nca.fraction(2, 2) = 0.2f;
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
    EXPECT_TRUE(t.said("# nca_class1"));
    EXPECT_TRUE(t.said("end of writing split classes"));
    EXPECT_TRUE(t.said(" frame= 25 written"));
}

TEST_F(NewShd, SplitClassesStops) {
    p.basin.answers.nca_classes = 4;
    Stop s = zeltest::expect_stop([&] { write(); });
    EXPECT_EQ(s.lines.back(), "Program aborted in ZEL @ 2504");
    EXPECT_TRUE(t.said("Too many class splits - ony first 3 allowed"));
    EXPECT_FALSE(std::filesystem::exists("new_shd.r2c"));

    p.basin.answers.nca_classes = 1;
    p.nca.held = false;
    s = zeltest::expect_stop([&] { write(); });
    EXPECT_EQ(s.lines.back(), "nca not allocated");
    EXPECT_FALSE(std::filesystem::exists("new_shd.r2c"));
}

TEST_F(NewShd, NonPositiveSlopesAskAndOnlyLowerCaseYReplacesThem) {
    p.net.slope(2, 3) = -0.0001f;
    p.net.slope(4, 5) = 0.0f;  // outside the basin: no question for it alone
    t.in.str("y\n");
    auto lines = write();
    EXPECT_TRUE(t.said("-ve slopes found"));
    EXPECT_TRUE(t.said("-ve slopes eliminated"));
    EXPECT_EQ(block(lines, 5, 4)[1].substr(0, 33), "  0.0000000  0.0100000  0.0001000");

    t.out.str("");
    t.in.clear();
    t.in.str("Y\n");
    lines = write();
    EXPECT_FALSE(t.said("-ve slopes eliminated"));
    EXPECT_EQ(block(lines, 5, 4)[1].substr(0, 33), "  0.0000000  0.0100000 -0.0001000");

    // At the end of the input the answer is "n" and the file is still written.
    t.out.str("");
    t.in.clear();
    t.in.str("");
    lines = write();
    EXPECT_TRUE(t.said("-ve slopes found"));
    EXPECT_EQ(block(lines, 5, 4)[1].substr(0, 33), "  0.0000000  0.0100000 -0.0001000");
}

TEST_F(NewShd, NoQuestionForZeroSlopeOutsideTheBasin) {
    write();
    EXPECT_FALSE(t.said("-ve slopes found"));
}

TEST_F(NewShd, LongRowsContinueAfter999Values) {
    p = zeltest::WrittenProducts(zeltest::BasinBuilder(1, 1001));
    p.set_cells({{1, 1000, 2}, {1, 1001, 0}}, 1);
    const auto lines = write();
    const std::size_t first = index_of(lines, ":EndHeader") + 1;
    EXPECT_EQ(lines[first].size(), 999u * 5);
    EXPECT_EQ(lines[first + 1], "    1    2");
}

TEST_F(NewShd, AFolderInTheWayStopsWithoutAFile) {
    std::filesystem::create_directory("new_shd.r2c");
    Stop s = zeltest::expect_stop([&] { write(); });
    EXPECT_EQ(s.lines.back(), " Program ZEL aborted @ 1966");
    EXPECT_EQ(s.exit_status(), 1);
    EXPECT_TRUE(t.said(" Problems opening the new_shd.r2c file "));
    EXPECT_TRUE(t.said(" Possible cause: file open or read only"));
    EXPECT_TRUE(std::filesystem::is_directory("new_shd.r2c"));
    EXPECT_FALSE(std::filesystem::exists("new_shd.r2c.zeltmp"));
}

}  // namespace
