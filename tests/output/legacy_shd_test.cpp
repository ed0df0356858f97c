#include "output/outputs.hpp"
#include "output_test_support.hpp"

namespace {

using outtest::lines_of;

class LegacyShd : public outtest::InTempDir {
  protected:
    void SetUp() override {
        InTempDir::SetUp();
        outtest::allocate(run, 5, 6, 2);
        outtest::set_cells(run, {{3, 2, 2}, {3, 3, 3}, {3, 4, 0}}, 1);
        run.nrvr = 1;
        BasinGrid& g = run.grid;
        g.da(3, 2) = 10.0f;   // small-area layout
        g.da(3, 3) = 10.01f;  // large-area layout
        for (int j = 2; j <= 3; ++j) {
            g.bankfull(3, j) = 1.5f;
            g.slope(3, j) = 0.01f;
            g.channel_length(3, j) = 1000.0f;
            g.channels(3, j) = 1;
            g.reach(3, j) = 1;
            g.contours(3, j) = 2;
            g.classes[0](3, j) = 0.6f;
            g.classes[1](3, j) = 0.4f;  // impervious, the last class
        }
        run.cells.int_slope[1] = run.cells.int_slope[2] = 0.005f;
        run.hdr.comments = {"a comment"};
    }
    void write() {
        ASSERT_TRUE(run.new_format_shd.open("new_format.shd"));
        ASSERT_TRUE(run.old_format_shd.open("old_format.shd"));
        ASSERT_TRUE(run.ssdata.open("ssdata.out"));
        write_legacy_shd(run, con);
        nf = lines_of("new_format.shd");
        of = lines_of("old_format.shd");
    }
    static std::size_t index_of(const std::vector<std::string>& lines, const std::string& prefix) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].rfind(prefix, 0) == 0) return i;
        ADD_FAILURE() << "no line starts with " << prefix;
        return 0;
    }
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
    EXPECT_TRUE(console_has(":xCount                        6"));
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
    run.window.south = 1;
    run.window.west = 1;
    run.grid.rank(3, 4) = 0;  // the receiving cell was removed
    run.n_kept = 2;
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
    run.hdr.projection = "CARTESIAN";
    write();
    EXPECT_EQ(index_of(nf, ":CoordSys") + 2, index_of(nf, ":xOrigin"));  // no datum, no zone
    EXPECT_EQ(of[2], "    0    0    0    0");

    run.hdr.projection = "LATLONG";
    run.hdr.xdelta = run.hdr.ydelta = 0.5f;
    run.ext_south = 125;  // minutes: 2 degrees 5 minutes
    run.ext_east = 61;
    write();
    EXPECT_EQ(nf[index_of(nf, ":CoordSys") + 1], ":datum1              NAD83     ");
    EXPECT_EQ(nf[index_of(nf, ":CoordSys") + 2], "#");
    EXPECT_EQ(nf[index_of(nf, ":xDelta")], ":xDelta                  0.50000");
    ASSERT_EQ(of.size(), 4u + 3u);  // no extent line
    EXPECT_EQ(of[2], "   -1   -1   -1   -1    2    5    0    0    0    0    1    1  0.5  0.5");
}

}  // namespace
