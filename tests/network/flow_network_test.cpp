#include "network/flow_network.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "basin_builder.hpp"
#include "common/stop.hpp"
#include "test_support.hpp"

namespace {

using zeltest::split_lines;

bool has_line(const std::string& text, const std::string& line) {
    const auto lines = split_lines(text);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The hand-checked basin of the builder (cells 1..9 draining to the receiving
// cell 10 at (1,4)) run through the network stages.
class FlowTest : public zeltest::StageTest {
  protected:
    void build() { net = basin.network(run); }

    zeltest::BasinBuilder basin = zeltest::BasinBuilder::hand_checked();
    MapInput& map = basin.map;
    Network net;
};

TEST_F(FlowTest, NumbersByDescendingElevationSouthRowFirstThenWestToEast) {
    build();
    EXPECT_EQ(net.na, 10);
    EXPECT_EQ(net.naa, 9);
    EXPECT_EQ(net.na - net.naa, 1);  // one receiving cell
    const int expected[5][5] = {{0, 0, 0, 0, 0}, {0, 1, 3, 5, 0}, {0, 2, 6, 8, 0}, {0, 4, 7, 9, 0}, {0, 0, 0, 10, 0}};
    for (int r = 0; r < 5; ++r)
        for (int j = 1; j <= 5; ++j) EXPECT_EQ(net.rank(5 - r, j), expected[r][j - 1]) << r << ' ' << j;
    EXPECT_EQ(net.row[7], 2);
    EXPECT_EQ(net.col[7], 3);
    EXPECT_EQ(net.row[10], 1);
    EXPECT_EQ(net.col[10], 4);
    EXPECT_EQ(net.row.size(), 11u);
}

TEST_F(FlowTest, AccumulatesDrainageAreaDownTheNetwork) {
    build();
    const auto& da = net.da;
    EXPECT_FLOAT_EQ(da(4, 2), 1.0f);
    EXPECT_FLOAT_EQ(da(3, 3), 3.0f);  // itself, (4,2) from the north-west, (4,3) from the north
    EXPECT_FLOAT_EQ(da(2, 3), 3.0f);  // (3,3) drains south-east, past it
    EXPECT_FLOAT_EQ(da(3, 4), 2.0f);
    EXPECT_FLOAT_EQ(da(2, 4), 9.0f);  // the whole basin
    EXPECT_FLOAT_EQ(da(1, 4), 0.0f);  // receiving cells get none
    EXPECT_FLOAT_EQ(net.areas.frac(2, 4), 1.0e6f);
    EXPECT_EQ(out.str().find("WARNING"), std::string::npos);
}

TEST_F(FlowTest, SlopesLengthsAndNextFollowTheDirections) {
    build();
    EXPECT_FLOAT_EQ(net.areas.al, 1000.0f);
    EXPECT_FLOAT_EQ(net.channel_length(4, 2), 1414.2f);  // diagonal: the literal 1.4142
    EXPECT_FLOAT_EQ(net.slope(4, 2), 3.0f / 1414.2f);
    EXPECT_FLOAT_EQ(net.channel_length(4, 3), 1000.0f);
    EXPECT_FLOAT_EQ(net.slope(4, 3), 0.002f);
    EXPECT_EQ(net.next(4, 2), 6);
    EXPECT_EQ(net.next(2, 4), 10);
    EXPECT_EQ(net.next(1, 4), 0);                  // receiving cell untouched
    EXPECT_FLOAT_EQ(net.channel_length(1, 4), 1000.0f);  // square root of the cell area
    EXPECT_EQ(net.errors, 0);
    EXPECT_FALSE(run.error_log.is_open());
}

TEST_F(FlowTest, SlopeIsRaisedToTheMinimumAndNeverBelowTheFloor) {
    basin.answers.min_slope = 0.0021f;
    build();
    EXPECT_FLOAT_EQ(clamp_min_slope(basin.answers.min_slope), 0.0021f);
    EXPECT_FLOAT_EQ(net.slope(4, 3), 0.0021f);         // raw 0.002
    EXPECT_FLOAT_EQ(net.slope(4, 2), 3.0f / 1414.2f);  // raw 0.00212 stays
}

TEST_F(FlowTest, FlatStepKeepsTheFloorWhenTheMinimumIsZero) {
    // (2,3) drains east to (2,4) at the same elevation; the eastern square of a
    // tie is numbered later, so the flow is in order with a raw slope of 0.
    map.elev(2, 4) = 5;
    map.elev(3, 4) = 5.5f;
    basin.answers.min_slope = 0;
    build();
    EXPECT_FLOAT_EQ(clamp_min_slope(basin.answers.min_slope), 1.0e-7f);
    EXPECT_GT(net.rank(2, 4), net.rank(2, 3));
    EXPECT_FLOAT_EQ(net.slope(2, 3), 1.0e-7f);
    EXPECT_EQ(net.errors, 0);
}

TEST(FlowClamp, MinimumSlopeIsClampedToItsRange) {
    const struct {
        float answer, clamped;
    } cases[] = {{0, 1.0e-7f}, {5, 1.0f}, {0.01f, 0.01f}};
    for (const auto& c : cases) EXPECT_FLOAT_EQ(clamp_min_slope(c.answer), c.clamped) << c.answer;
}

TEST_F(FlowTest, DrainageErrorsAreCountedLoggedAndRepaired) {
    map.dir(2, 2) = 0;  // cell 4: no direction, so next stays 0
    map.dir(4, 4) = 6;  // cell 5: points west, up to cell 3
    build();
    EXPECT_EQ(net.errors, 2);
    EXPECT_EQ(net.next(2, 2), 5);
    EXPECT_FLOAT_EQ(net.slope(2, 2), -0.0001f);
    EXPECT_EQ(net.next(4, 4), 6);
    EXPECT_FLOAT_EQ(net.slope(4, 4), -0.0001f);  // raw -0.001 raised to the minimum, then negated
    ASSERT_TRUE(run.error_log.is_open());
    EXPECT_EQ(run.error_log.name(), "fort.39");
    EXPECT_EQ(run.error_log.buffer(),
              " ERROR: grid does not drain to lower grid\n"
              " next(i,j) set to n+1 <<<<<<FIX FIX FIX\n"
              " please fix - location n,row,col,next(i,j)/    4    2    2    0\n"
              " please fix - location n,row,col,next(i,j)/    5    4    4    3\n");
}

TEST_F(FlowTest, LatLongAreasDependOnTheRowLatitude) {
    zeltest::BasinBuilder b(4, 4, 0.5f);
    MapHeader& h = b.map.hdr;
    h.projection = *parse_map_projection("LATLONG");
    h.yorigin = 45;
    b.map.fraction.fill(1);
    const CellAreas a = compute_cell_areas(h, b.map.fraction);
    // Row i uses the latitude of its northern edge, 45 + i/2 degrees.
    EXPECT_NEAR(a.cell_area(1, 3), 2171806527.3, 2171806527.3 * 1e-6);
    EXPECT_NEAR(a.cell_area(2, 1), 2152691278.2, 2152691278.2 * 1e-6);
    EXPECT_NEAR(a.cell_area(4, 4), 2113956264.5, 2113956264.5 * 1e-6);
    EXPECT_FLOAT_EQ(a.frac(2, 1), a.cell_area(2, 1));
    // al from row ycount/2 = 2; the centre latitude is 45 + 4 x 0.25 = 46 too.
    EXPECT_NEAR(a.al, std::sqrt(2152691278.2), 0.5);
    EXPECT_NEAR(a.center_dx_km, 0.5 * 77.46661670, 1e-4);
    EXPECT_NEAR(a.center_dy_km, 0.5 * 111.15452668, 1e-4);
}

TEST_F(FlowTest, ContributingDrainageAreaIsAccumulatedWhenInUse) {
    NonContributing nca;
    nca.in_use = true;
    nca.contrib_area.assign(5, 5, 500000.0f);
    net = number_cells(map, compute_cell_areas(map.hdr, map.fraction), nca, run);
    EXPECT_FLOAT_EQ(net.contrib_da(2, 4), 4.5f);
    EXPECT_FLOAT_EQ(net.da(2, 4), 9.0f);
}

TEST_F(FlowTest, CodeOutsideTheTableCountsAsNorthEastEverywhere) {
    // Cell 4 at (2,2): code 12 is followed as 1, to (3,3).
    map.dir(2, 2) = 12;
    build();
    EXPECT_EQ(net.next(2, 2), 6);
    EXPECT_FLOAT_EQ(net.channel_length(2, 2), 1414.2f);
    EXPECT_FLOAT_EQ(net.da(3, 3), 4.0f);  // its area arrives from the south-west
    EXPECT_FLOAT_EQ(net.da(2, 4), 9.0f);  // and still reaches the outlet
    EXPECT_NE(run.log.buffer().find(" drainage direction code    12 @ grid #       4 @     2    2"),
              std::string::npos);
}

TEST_F(FlowTest, BasinTouchingTheEdgeWarnsAndNeverReadsOutside) {
    // Cell at the south edge pointing south, off the grid.
    map.elev(1, 2) = 2;
    map.fraction(1, 2) = 1;
    map.dir(1, 2) = 4;
    map.elev(5, 5) = 20;  // north-east corner, code 12 points further north-east
    map.fraction(5, 5) = 1;
    map.dir(5, 5) = 12;
    build();
    const auto lines = split_lines(out.str());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "WARNING: missing blank edge(s) - crash possible"), 2);
    EXPECT_FLOAT_EQ(net.da(1, 2), 1.0f);  // its own area only
    const int n = net.rank(1, 2);
    EXPECT_EQ(net.next(1, 2), n + 1);
    EXPECT_LT(net.slope(1, 2), 0.0f);
    EXPECT_EQ(net.next(5, 5), 2);  // cell 1, repaired
    EXPECT_EQ(net.errors, 2);
}

TEST_F(FlowTest, AllElevationsAtOrBelowZeroGiveNoCells) {
    map.elev.fill(0);
    map.elev(3, 3) = -4;
    build();
    EXPECT_EQ(net.na, 0);
    EXPECT_EQ(net.naa, 0);
    set_cell_river_classes(net, map.river_class, run);
    const Stop s = zeltest::expect_stop([&] { rank_and_check_cells(net, map, run); });
    EXPECT_EQ(s.exit_status(), 1);
    EXPECT_EQ(s.lines.back(), " program aborted");
    EXPECT_TRUE(has_line(out.str(), "fatal error - outlet elements have not been"));
    compute_interflow_slopes(net, map, run);
    EXPECT_TRUE(has_line(out.str(), "na,naa/ 0 0"));
}

TEST_F(FlowTest, RiverClassOutOfRangeIsReportedWithAWait) {
    build();
    map.river_class.fill(1);
    map.river_class(3, 3) = 0;  // cell 6
    in.str("\n");
    set_cell_river_classes(net, map.river_class, run);
    EXPECT_EQ(net.iak[6], 0);
    EXPECT_EQ(net.iak[5], 1);
    EXPECT_EQ(out.str(), "iak value not defined rank= 6 0\nplease correct the map file\n\n");
}

TEST_F(FlowTest, CellChecksListFindingsAndZeroTheReceivingNext) {
    build();
    map.river_class.fill(1);
    map.contours.fill(2);
    map.channels.fill(1);
    map.channels(3, 3) = 6;  // cell 6: channel count out of range
    rank_and_check_cells(net, map, run);
    const auto text = out.str();
    EXPECT_EQ(split_lines(text).front(), "Grid ranking - highest =1");
    EXPECT_TRUE(has_line(text, "# channels not coded @ grid #       6 @     3    3 elv=     6.000"));
    EXPECT_TRUE(has_line(text, " frac_2d(    1    4)=     0.000 - please check"));
    EXPECT_TRUE(has_line(text, "       next grid = 0 @ grid #      10 @     1    4 elv=     1.000"));
    EXPECT_TRUE(has_line(text, " receiving grid higher in grid    1    4      10 elv=     1.000"));
    EXPECT_TRUE(has_line(text, "Hit enter to continue"));
    EXPECT_EQ(text.find("contours not coded"), std::string::npos);
    EXPECT_EQ(text.find("Basin # not coded"), std::string::npos);
    EXPECT_NE(run.log.buffer().find(" Grid ranking - highest =1"), std::string::npos);
    EXPECT_NE(run.log.buffer().find("# channels not coded @ grid #       6"), std::string::npos);
    EXPECT_EQ(net.next(1, 4), 0);
}

TEST_F(FlowTest, NoReceivingCellIsFatal) {
    map.fraction(1, 4) = 1;
    build();
    EXPECT_EQ(net.naa, net.na);
    EXPECT_THROW(rank_and_check_cells(net, map, run), Stop);
    const auto text = out.str();
    EXPECT_TRUE(has_line(text, "properly designated"));
    EXPECT_TRUE(has_line(text, " grid number  1"));
    EXPECT_TRUE(has_line(text, " row number   4 4000"));
    EXPECT_TRUE(has_line(text, " column number 2 2000"));
}

TEST_F(FlowTest, InterflowSlopeFromContours) {
    build();
    map.hdr.cintv = 10;
    map.contours.fill(3);
    compute_interflow_slopes(net, map, run);
    EXPECT_FLOAT_EQ(net.int_slope[1], 3.0001f * 10 / 1000);
    EXPECT_TRUE(has_line(out.str(), "na,naa/ 10 9"));
}

}  // namespace
