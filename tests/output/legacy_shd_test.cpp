#include <gtest/gtest.h>

#include <filesystem>

#include "basin_builder.hpp"
#include "common/text.hpp"
#include "output/outputs.hpp"
#include "test_support.hpp"

namespace {

using zeltest::lines_of;

class LegacyShd : public ::testing::Test {
  protected:
    void SetUp() override {
        p.set_cells({{3, 2, 2}, {3, 3, 3}, {3, 4, 0}}, 1);
        MapInput& map = p.basin.map;
        map.nrvr = 1;
        p.net.da(3, 2) = 10.0f;   // small-area layout
        p.net.da(3, 3) = 10.01f;  // large-area layout
        for (int j = 2; j <= 3; ++j) {
            p.cover.bankfull(3, j) = 1.5f;
            p.net.slope(3, j) = 0.01f;
            p.net.channel_length(3, j) = 1000.0f;
            map.channels(3, j) = 1;
            map.reach(3, j) = 1;
            map.contours(3, j) = 2;
            p.cover.classes[0](3, j) = 0.6f;
            p.cover.classes[1](3, j) = 0.4f;  // impervious, the last class
        }
        p.net.int_slope[1] = p.net.int_slope[2] = 0.005f;
        map.hdr.comments = {"a comment"};
    }
    void write() {
        LegacyFiles files;
        ASSERT_TRUE(files.new_format.open("new_format.shd"));
        ASSERT_TRUE(files.old_format.open("old_format.shd"));
        ASSERT_TRUE(files.ssdata.open("ssdata.out"));
        write_legacy_shd(files, p.written(), extents, t.run);
        t.publish();
        nf = lines_of("new_format.shd");
        of = lines_of("old_format.shd");
    }
    static std::size_t index_of(const std::vector<std::string>& lines, const std::string& prefix) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].rfind(prefix, 0) == 0) return i;
        ADD_FAILURE() << "no line starts with " << prefix;
        return 0;
    }

    zeltest::WorkFolder folder;
    zeltest::TestRun t;
    zeltest::WrittenProducts p{zeltest::BasinBuilder(5, 6, 1000.0f, 2)};
    LegacyExtents extents;
    std::vector<std::string> nf, of;
};

TEST_F(LegacyShd, NewFormatHeaderAndRankTable) {
    write();
    ASSERT_GE(nf.size(), 30u);
    EXPECT_EQ(nf[0], "#" + std::string(39, ' ') + padded("a comment", 40));
    EXPECT_EQ(nf[1], "#");
    EXPECT_EQ(nf[2].rfind(":Created     :      ", 0), 0u);
    EXPECT_EQ(nf[2].size(), 20u + 20u);
    EXPECT_EQ(nf[3], ":InputFileName      " + padded("zelm.map", 30));
    EXPECT_EQ(nf[5], ":CoordSys           UTM       ");
    EXPECT_EQ(nf[6], ":datum1              NAD83     ");
    EXPECT_EQ(nf[7], ":Zone               17        ");
    EXPECT_EQ(nf[9], ":xOrigin                   0.000");
    EXPECT_EQ(nf[12], ":xCount                        6");
    EXPECT_EQ(nf[13], ":yCount                        5");
    EXPECT_EQ(nf[18], ":ContourInterval           5.000");
    EXPECT_EQ(nf[20], ":ClassCount                    1");
    EXPECT_EQ(nf[23], "#          ");
    EXPECT_EQ(nf[24], ":TotalNumOfGrids               3");
    EXPECT_EQ(nf[25], ":numGridsInBasin               2");
    EXPECT_EQ(nf[26], ":DebugGridNo                   1");
    EXPECT_EQ(nf[27], "#                   ");
    EXPECT_EQ(nf[28], ":endHeader          ");
    EXPECT_EQ(nf[29], "The ranks of each grid: highest = 1");
    EXPECT_EQ(nf[30],
              "   n, next, row, col,   da,    bankfull, cha_slope,  elv, ch_lenth,iak,"
              "int_slope,chnl,reach,frac,imperv classes 1 - 1");
    // 10 km2 exactly: F10.3 and F10.5; above it F10.0 and F10.2.
    EXPECT_EQ(nf[31],
              "    1    2    3    2    10.000   1.50000 0.0100000   90.0  1000.    1"
              "   0.00500    1    1    1.00 0.40 0.60");
    EXPECT_EQ(nf[32],
              "    2    3    3    3       10.      1.50 0.0100000   80.0  1000.    1"
              "   0.00500    1    1    1.00 0.40 0.60");
    // The receiving cell: next 0, outside the basin.
    EXPECT_EQ(nf[33].substr(0, 30), "    3    0    3    4     0.000");
    EXPECT_EQ(nf.size(), 34u);
    EXPECT_TRUE(t.said(":xCount                        6"));
    EXPECT_TRUE(std::filesystem::exists("ssdata.out"));
    EXPECT_EQ(std::filesystem::file_size("ssdata.out"), 0u);
}

TEST_F(LegacyShd, OldFormatLines) {
    write();
    ASSERT_EQ(of.size(), 5u + 3u);
    EXPECT_EQ(of[0], "    3    5    6    0    0    0    0    0    0    2    3    2");
    EXPECT_EQ(of[1], "     1000.  5.0    1    1     map file used =  " + padded("zelm.map", 30));
    EXPECT_EQ(of[2], "    0    0    0    0");
    // Cell sizes of 1000 do not fit F5.1.
    EXPECT_EQ(of[3], "   -1   -1   -1   -1    0    0    0    0    0    0    0    0**********");
    EXPECT_EQ(of[4], "    5    6             # rows & columns resp.");
    EXPECT_EQ(of[5],
              "    1    3    2    10.000   1.50000 0.0100000   90.0    2    1    2    1    1"
              " 1.00 0.40 0.60");
    EXPECT_EQ(of[6],
              "    2    3    3       10.      1.50 0.0100000   80.0    3    1    2    1    1"
              " 1.00 0.40 0.60");
}

TEST_F(LegacyShd, TrimmedRunWritesNAndShiftedPositions) {
    p.trim(1, 0, 1, 0);
    p.shed.rank(3, 4) = 0;  // the receiving cell was removed
    p.shed.cells = 2;
    write();
    EXPECT_EQ(nf[index_of(nf, ":TotalNumOfGrids")], ":TotalNumOfGrids               2");
    EXPECT_EQ(nf[index_of(nf, ":numGridsInBasin")], ":numGridsInBasin               1");
    EXPECT_EQ(nf[index_of(nf, ":xOrigin")], ":xOrigin                1000.000");
    // Untrimmed counts in the header.
    EXPECT_EQ(nf[index_of(nf, ":xCount")], ":xCount                        6");
    EXPECT_EQ(nf.back().substr(0, 20), "    2    3    2    2");
    EXPECT_EQ(of[0].substr(0, 5), "    2");
    EXPECT_EQ(of[0].substr(55), "    1");
    EXPECT_EQ(of.back().substr(0, 15), "    2    2    2");
    EXPECT_EQ(of.size(), 5u + 2u);
}

TEST_F(LegacyShd, ProjectionsDecideTheExtentLines) {
    MapHeader& h = p.basin.map.hdr;
    h.projection = *parse_map_projection("CARTESIAN");
    write();
    EXPECT_EQ(index_of(nf, ":CoordSys") + 2, index_of(nf, ":xOrigin"));  // no datum, no zone
    EXPECT_EQ(of[2], "    0    0    0    0");

    h.projection = *parse_map_projection("LATLONG");
    h.xdelta = h.ydelta = 0.5f;
    extents.south = 125;  // minutes: 2 degrees 5 minutes
    extents.east = 61;
    write();
    EXPECT_EQ(nf[index_of(nf, ":CoordSys") + 1], ":datum1              NAD83     ");
    EXPECT_EQ(nf[index_of(nf, ":CoordSys") + 2], "#");
    EXPECT_EQ(nf[index_of(nf, ":xDelta")], ":xDelta                  0.50000");
    ASSERT_EQ(of.size(), 4u + 3u);  // no extent line
    EXPECT_EQ(of[2], "   -1   -1   -1   -1    2    5    0    0    0    0    1    1  0.5  0.5");
}

}  // namespace
