#include <gtest/gtest.h>

#include <filesystem>

#include "basin_builder.hpp"
#include "common/stop.hpp"
#include "output/outputs.hpp"
#include "test_support.hpp"

namespace {

using zeltest::lines_of;

class SideFiles : public ::testing::Test {
  protected:
    void SetUp() override { p.set_cells({{3, 3, 2}, {3, 4, 3}, {3, 5, 0}}, 1); }

    zeltest::WorkFolder folder;
    zeltest::TestRun t;
    zeltest::WrittenProducts p{zeltest::BasinBuilder(6, 8, 1000.0f, 5)};
};

TEST_F(SideFiles, TvoSpecCountsFiveClasses) {
    write_tvo_spec(p.written(), t.run);
    t.publish();
    const auto lines = lines_of("tvo_spec.new");
    ASSERT_EQ(lines.size(), 5u + 13u + 75u);
    EXPECT_EQ(lines[0], "  4.0 Version Number");
    EXPECT_EQ(lines[1], "   88 AttributeCount");
    EXPECT_EQ(lines[5], "1   1 Temperature");
    EXPECT_EQ(lines[7], "1   3 Cumulative Precipitation ");
    EXPECT_EQ(lines[17], "1  13 Cummullative ET");
    EXPECT_EQ(lines[18], "0  14 Depression Storage Class  1");
    EXPECT_EQ(lines[22], "0  18 Depression Storage Class  5");
    EXPECT_EQ(lines[18 + 45 + 4], "0  63 Interflow (snow) m^3/s Class 5");
    EXPECT_EQ(lines.back(), "0  88 Sublimation Cummulative) mm (snow) Class  5");
    EXPECT_TRUE(t.said("kkkkkkk"));
    EXPECT_TRUE(t.said("tvo_spec.new  written"));
}

TEST_F(SideFiles, TvoSpecWithSplitClassesAndAFolderInTheWay) {
    p.basin.answers.nca_classes = 2;
    write_tvo_spec(p.written(), t.run);
    t.publish();
    auto lines = lines_of("tvo_spec.new");
    EXPECT_EQ(lines[1], "  118 AttributeCount");
    EXPECT_EQ(lines.back(), "0 118 Sublimation Cummulative) mm (snow) Class  7");

    std::filesystem::remove("tvo_spec.new");
    std::filesystem::create_directory("tvo_spec.new");
    write_tvo_spec(p.written(), t.run);  // goes on without the file
    t.publish();
    EXPECT_TRUE(t.said(" unable to open a new tvo_spec.new file"));
    EXPECT_TRUE(std::filesystem::is_directory("tvo_spec.new"));
}

TEST_F(SideFiles, PdlForUtmAndLatlong) {
    MapHeader& h = p.basin.map.hdr;
    h.xorigin = 500000;
    h.yorigin = 4800000;
    p.trim(0, 0, 1, 0);  // 7 columns written, 6 rows
    write_pdl(p.written(), t.run);
    t.publish();
    auto lines = lines_of("new.pdl");
    ASSERT_EQ(lines.size(), 36u);
    EXPECT_EQ(lines[2], ":CoordSys           UTM       ");
    EXPECT_EQ(lines[4], ":Zone               17        ");
    EXPECT_EQ(lines[6], ":xOrigin              501000.000");
    EXPECT_EQ(lines[9], ":xCount                        7");
    EXPECT_EQ(lines[11], ":xDelta                 1000.000");
    EXPECT_EQ(lines[16], "504500.000 4803000.000  centerville");
    EXPECT_EQ(lines[28],
              "   504500.  4803000.  centerville 0.000E+00 0.000E+00 0.000E+00 0.000E+00  0");
    EXPECT_EQ(
        lines[32],
        "   504500.  4803000.  centerville 0.000E+00 0.000E+00 0.000E+00 0.000E+00  0.000E+00");
    EXPECT_EQ(lines[34], ":NoDamageSites        1");

    h.projection = *parse_map_projection("LATLONG");
    h.xorigin = -80.5f;
    h.yorigin = 45.25f;
    h.xdelta = 0.125f;
    h.ydelta = 0.125f;
    p.trim(0, 0, 1, 0);
    write_pdl(p.written(), t.run);
    t.publish();
    lines = lines_of("new.pdl");
    EXPECT_EQ(lines[6], ":xOrigin               -80.37500");
    EXPECT_EQ(lines[12], ":yDelta                  0.12500");
    EXPECT_EQ(lines[16], "-79.937500 45.625000  centerville");
    // Flow stations are rounded to whole units, also on a geographic grid.
    EXPECT_EQ(lines[28].substr(0, 20), "      -80.       46.");
}

TEST_F(SideFiles, PdlFolderInTheWayStops) {
    std::filesystem::create_directory("new.pdl");
    Stop s = zeltest::expect_stop([&] { write_pdl(p.written(), t.run); });
    EXPECT_EQ(s.lines.back(), "program aborted in inpgrd @ 44");
    EXPECT_EQ(s.exit_status(), 1);
}

TEST_F(SideFiles, ElevationGridsCoverTheWindow) {
    p.trim(1, 0, 2, 0);
    DemStats& dem = p.dem.emplace();
    dem.mean.assign(6, 8, 0.0f);
    dem.max.assign(6, 8, 0.0f);
    dem.mean(2, 3) = dem.mean(3, 3) = 123.456f;  // (2, 3) lies outside the watershed
    dem.max(3, 3) = 200.0f;
    write_elevation_grids(p.written(), t.run);
    t.publish();
    auto mean = lines_of("elv_means.r2c");
    auto max = lines_of("elv_max.r2c");
    ASSERT_FALSE(mean.empty());
    EXPECT_EQ(mean[13], ":Name               mean grid elevations" + std::string(20, ' '));
    EXPECT_EQ(max[13], ":Name               max grid elevations" + std::string(21, ' '));
    EXPECT_EQ(mean.size(), max.size());
    // 5 rows of 6 values after the header, south first; basin (2, 3) is window
    // (1, 1), written as 0, and the cell at basin (3, 3) is window (2, 1).
    EXPECT_EQ(mean[mean.size() - 5], "     0.00     0.00     0.00     0.00     0.00     0.00");
    EXPECT_EQ(mean[mean.size() - 4], "   123.46     0.00     0.00     0.00     0.00     0.00");
    EXPECT_EQ(max[max.size() - 4], "   200.00     0.00     0.00     0.00     0.00     0.00");
    EXPECT_TRUE(t.said("elv_means.r2c written"));
    EXPECT_TRUE(t.said("elv_max.r2c written"));
}

TEST_F(SideFiles, NoElevationGridsWithoutTheDem) {
    write_elevation_grids(p.written(), t.run);
    t.publish();
    EXPECT_FALSE(std::filesystem::exists("elv_means.r2c"));
    EXPECT_FALSE(std::filesystem::exists("elv_max.r2c"));
}

TEST_F(SideFiles, WetlandSplitNotice) {
    wetland_split_notice(0.0f, t.run);  // no split
    EXPECT_TRUE(t.console().empty());
    wetland_split_notice(0.29f, t.run);
    EXPECT_TRUE(t.said("The value entered for \"split\" = 29"));
    EXPECT_TRUE(t.said("to accomodate the extra wetland class"));
}

TEST_F(SideFiles, FractionCheck) {
    check_fractions(p.written(), t.run);  // the receiving cell has next 0: fine
    EXPECT_TRUE(t.console().empty());

    p.net.areas.frac(3, 4) = 0.0f;  // cell 2 drains into the network
    Stop s = zeltest::expect_stop([&] { check_fractions(p.written(), t.run); });
    EXPECT_EQ(s.lines.back(), "Program aborted in ZEL @ 3836");
    const auto lines = t.lines();
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[0], "ERROR:");
    EXPECT_EQ(lines[1], "A grid with frac = 0.0 and with a downstream grid");
    EXPECT_EQ(lines[2], "with frac > 0 is found in row 3 and col 4");
    EXPECT_EQ(lines[3], "in grid # 2");
    EXPECT_EQ(lines[5], "Please correct by either setting frac to a proper");
    EXPECT_EQ(lines[7], "OR ");

    t.out.str("");
    p.net.areas.frac(3, 4) = -0.5f;  // a negative fraction is reported as well
    s = zeltest::expect_stop([&] { check_fractions(p.written(), t.run); });
    EXPECT_TRUE(t.said("in grid # 2"));
}

}  // namespace
