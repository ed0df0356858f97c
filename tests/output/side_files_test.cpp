#include "output/outputs.hpp"
#include "output_test_support.hpp"

namespace {

using outtest::lines_of;

class SideFiles : public outtest::InTempDir {
  protected:
    void SetUp() override {
        InTempDir::SetUp();
        outtest::allocate(run, 6, 8, 5);
        outtest::set_cells(run, {{3, 3, 2}, {3, 4, 3}, {3, 5, 0}}, 1);
    }
};

TEST_F(SideFiles, TvoSpecCountsFiveClasses) {
    write_tvo_spec(run, con);
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
    EXPECT_TRUE(console_has("kkkkkkk"));
    EXPECT_TRUE(console_has("tvo_spec.new  written"));
}

TEST_F(SideFiles, TvoSpecWithSplitClassesAndAFolderInTheWay) {
    run.answers.nca_classes = 2;
    write_tvo_spec(run, con);
    auto lines = lines_of("tvo_spec.new");
    EXPECT_EQ(lines[1], "  118 AttributeCount");
    EXPECT_EQ(lines.back(), "0 118 Sublimation Cummulative) mm (snow) Class  7");

    std::filesystem::remove("tvo_spec.new");
    std::filesystem::create_directory("tvo_spec.new");
    write_tvo_spec(run, con);  // goes on without the file
    EXPECT_TRUE(console_has(" unable to open a new tvo_spec.new file"));
    EXPECT_TRUE(std::filesystem::is_directory("tvo_spec.new"));
}

TEST_F(SideFiles, PdlForUtmAndLatlong) {
    run.hdr.xorigin = 500000;
    run.hdr.yorigin = 4800000;
    run.window.west = 1;  // 7 columns written, 6 rows
    write_pdl(run, con);
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

    run.hdr.projection = "LATLONG";
    run.hdr.xorigin = -80.5f;
    run.hdr.yorigin = 45.25f;
    run.hdr.xdelta = 0.125f;
    run.hdr.ydelta = 0.125f;
    write_pdl(run, con);
    lines = lines_of("new.pdl");
    EXPECT_EQ(lines[6], ":xOrigin               -80.37500");
    EXPECT_EQ(lines[12], ":yDelta                  0.12500");
    EXPECT_EQ(lines[16], "-79.937500 45.625000  centerville");
    // Flow stations are rounded to whole units, also on a geographic grid.
    EXPECT_EQ(lines[28].substr(0, 20), "      -80.       46.");
}

TEST_F(SideFiles, PdlFolderInTheWayStops) {
    std::filesystem::create_directory("new.pdl");
    Stop s = expect_stop([&] { write_pdl(run, con); });
    EXPECT_EQ(s.lines.back(), "program aborted in inpgrd @ 44");
    EXPECT_EQ(s.exit_status(), 1);
}

TEST_F(SideFiles, ElevationGridsCoverTheWindow) {
    run.dem_done = true;
    run.window.south = 1;
    run.window.west = 2;
    run.grid.dem_mean.assign(6, 8, 0.0f);
    run.grid.dem_max.assign(6, 8, 0.0f);
    run.grid.dem_mean(2, 3) = 123.456f;
    run.grid.dem_max(2, 3) = 200.0f;
    write_elevation_grids(run, con);
    auto mean = lines_of("elv_means.r2c");
    auto max = lines_of("elv_max.r2c");
    ASSERT_FALSE(mean.empty());
    EXPECT_EQ(mean[13], ":Name               mean grid elevations" + std::string(20, ' '));
    EXPECT_EQ(max[13], ":Name               max grid elevations" + std::string(21, ' '));
    EXPECT_EQ(mean.size(), max.size());
    // 5 rows of 6 values after the header; basin (2, 3) is window (1, 1).
    EXPECT_EQ(mean[mean.size() - 5], "   123.46     0.00     0.00     0.00     0.00     0.00");
    EXPECT_TRUE(console_has("elv_means.r2c written"));
    EXPECT_TRUE(console_has("elv_max.r2c written"));
}

TEST_F(SideFiles, NoElevationGridsWithoutTheDem) {
    write_elevation_grids(run, con);
    EXPECT_FALSE(std::filesystem::exists("elv_means.r2c"));
    EXPECT_FALSE(std::filesystem::exists("elv_max.r2c"));
}

TEST_F(SideFiles, WetlandSplitNotice) {
    wetland_split_notice(run, con);
    EXPECT_TRUE(out.str().empty());
    run.split = 0.29f;
    wetland_split_notice(run, con);
    EXPECT_TRUE(console_has("The value entered for \"split\" = 29"));
    EXPECT_TRUE(console_has("to accomodate the extra wetland class"));
}

TEST_F(SideFiles, FractionCheck) {
    check_fractions(run, con);  // the receiving cell has next 0: fine
    EXPECT_TRUE(out.str().empty());

    run.grid.frac(3, 4) = 0.0f;  // cell 2 drains into the network
    Stop s = expect_stop([&] { check_fractions(run, con); });
    EXPECT_EQ(s.lines.back(), "Program aborted in ZEL @ 3836");
    const auto lines = console_lines();
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[0], "ERROR:");
    EXPECT_EQ(lines[1], "A grid with frac = 0.0 and with a downstream grid");
    EXPECT_EQ(lines[2], "with frac > 0 is found in row 3 and col 4");
    EXPECT_EQ(lines[3], "in grid # 2");
    EXPECT_EQ(lines[5], "Please correct by either setting frac to a proper");
    EXPECT_EQ(lines[7], "OR ");

    out.str("");
    run.grid.frac(3, 4) = -0.5f;  // a negative fraction is reported as well
    s = expect_stop([&] { check_fractions(run, con); });
    EXPECT_TRUE(console_has("in grid # 2"));
}

}  // namespace
