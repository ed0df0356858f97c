#include <gtest/gtest.h>

#include <filesystem>

#include "basin_builder.hpp"
#include "common/stop.hpp"
#include "common/text.hpp"
#include "output/outputs.hpp"
#include "test_support.hpp"

namespace {

using zeltest::lines_of;

class ChPar : public ::testing::Test {
  protected:
    void SetUp() override {
        // 4 x 5 grid; one row trimmed on the south, one column each on west and east.
        p.set_cells({{4, 3, 2}, {3, 3, 3}, {2, 3, 4}, {2, 4, 0}}, 1);
        p.trim(1, 0, 1, 1);
        p.basin.map.nrvr = 3;
        p.par.emplace();
        for (auto& v : p.par->per_cell) v.assign(5, 0.0f);
        p.par->per_cell[0] = {0, 1.0e-5f, 2.0e-5f, -0.1f, 7.0f};  // flz
        p.par->per_cell[9] = {0, 12.6f, 40.0f, 10.0f, 99.0f};     // widep
    }
    void write() {
        write_ch_par(p.written(), t.run);
        t.publish();
    }

    zeltest::WorkFolder folder;
    zeltest::TestRun t;
    zeltest::WrittenProducts p{zeltest::BasinBuilder(4, 5, 1000.0f, 3)};
};

TEST_F(ChPar, HeaderAndBlocks) {
    write();
    const auto l = lines_of("new_ch_par.r2c");
    ASSERT_EQ(l.size(), 48u + 11u * 3u);
    EXPECT_EQ(l[5], ":Application                    TALVIREN");
    EXPECT_EQ(l[6], padded(":Version                 2.1.23", 40));
    EXPECT_EQ(l[7], padded(":WrittenBy", 20) + padded("JQ", 40));
    EXPECT_EQ(l[8].substr(0, 20), ":CreationDate       ");
    EXPECT_EQ(l[11], padded(":SourceFileName", 20) + padded("basin_par.csv", 40));
    EXPECT_EQ(l[12], ":NominalGridSize_AL     1000.000");
    EXPECT_EQ(l[15], ":ClassCount                    0");
    EXPECT_EQ(l[16], ":NumRiverClasses               3");
    EXPECT_EQ(l[18], ":TotalNumOfGrids               4");
    EXPECT_EQ(l[19], ":numGridsInBasin               3");
    EXPECT_EQ(l[20], ":DebugGridNo                   2");
    EXPECT_EQ(l[23], padded(":Projection", 20) + "UTM       ");
    EXPECT_EQ(l[24], padded(":Zone", 20) + "17        ");
    EXPECT_EQ(l[25], padded(":Ellipsoid", 20) + "NAD83     ");
    EXPECT_EQ(l[27], padded(":xOrigin", 20) + "     1000.00000");
    EXPECT_EQ(l[28], padded(":yOrigin", 20) + "     1000.00000");
    EXPECT_EQ(l[30], padded(":AttributeName 1 Flz", 30));
    EXPECT_EQ(l[40], padded(":AttributeName 11 kcond", 30));
    EXPECT_EQ(l[41], padded("#          5", 40));
    EXPECT_EQ(l[42], padded(":xCount", 20) + "           3");
    EXPECT_EQ(l[43], padded(":yCount", 20) + "           3");
    EXPECT_EQ(l[44], padded(":xDelta", 20) + "     1000.00000");
    EXPECT_EQ(l[47], padded(":EndHeader", 40));

    // Flz, south row first; the receiving cell at (2, 4) holds 0, not its value.
    EXPECT_EQ(l[48], "  0.000E+00 -0.100E+00  0.000E+00");
    EXPECT_EQ(l[49], "  0.000E+00  0.200E-04  0.000E+00");
    EXPECT_EQ(l[50], "  0.000E+00  0.100E-04  0.000E+00");
    // widep in F5.0: 12.6 is written as "   13.".
    EXPECT_EQ(l[75], "    0.   10.    0.");
    EXPECT_EQ(l[76], "    0.   40.    0.");
    EXPECT_EQ(l[77], "    0.   13.    0.");
    // Pwr, all 0 in F5.3.
    EXPECT_EQ(l[51], " 0.000 0.000 0.000");

    const auto c = t.lines();
    ASSERT_EQ(c.size(), 13u);
    EXPECT_EQ(c[0], " frame= 1 written");
    EXPECT_EQ(c[10], " frame= 11 written");
    EXPECT_EQ(c[11], "new_ch_par.r2c written");
    EXPECT_EQ(c[12], "");
}

TEST_F(ChPar, TrimmedWatershedCountsAndDemAuthor) {
    p.shed.cells = 3;
    p.dem.emplace();
    write();
    const auto l = lines_of("new_ch_par.r2c");
    ASSERT_GT(l.size(), 20u);
    EXPECT_EQ(l[7], padded(":WrittenBy", 20) + padded("talviren/zel", 40));
    EXPECT_EQ(l[18], ":TotalNumOfGrids               3");
    EXPECT_EQ(l[19], ":numGridsInBasin               2");
    EXPECT_EQ(l[20], ":DebugGridNo                   2");
}

TEST_F(ChPar, RemovedCellsHoldNoChannelValues) {
    p.shed.rank(4, 3) = 0;  // cell 1 is not in the written watershed
    write();
    EXPECT_EQ(lines_of("new_ch_par.r2c")[50], "  0.000E+00  0.000E+00  0.000E+00");
}

TEST_F(ChPar, NotWrittenWithoutParameterFile) {
    p.par.reset();
    write();
    EXPECT_FALSE(std::filesystem::exists("new_ch_par.r2c"));
    EXPECT_EQ(t.console(), "");
}

TEST_F(ChPar, FolderInTheWayStops) {
    std::filesystem::create_directory("new_ch_par.r2c");
    const Stop s = zeltest::expect_stop([&] { write(); });
    EXPECT_EQ(s.lines.back(), " Program ZEL aborted @ 2358");
    EXPECT_EQ(t.console(),
              " Problems opening the new_par.r2c file \n"
              " Possible cause: file open or read only\n\n");
}

}  // namespace
