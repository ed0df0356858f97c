#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/stop.hpp"
#include "network/flow_network.hpp"
#include "network/flow_test_basin.hpp"
#include "network/subwatershed.hpp"

namespace {

using namespace flow_test;

// The basin of FlowTest (cells 1..9 draining to the receiving cell 10):
//   row 4:  1  3  5
//   row 3:  2  6  8        next: 1,3 -> 6; 2,4 -> 7; 5 -> 8; 6,7,8 -> 9; 9 -> 10
//   row 2:  4  7  9
//   row 1:        10
class SubwatershedTest : public FlowTest {
protected:
    void SetUp() override {
        FlowTest::SetUp();
        in.str(std::string(20, '\n'));
    }
    // Everything up to the extraction, as the run does it.
    void network() {
        build();
        revise_outlets(run, con);
        run.grid.river_class.fill(1);
        run.grid.contours.fill(1);
        run.grid.channels.fill(1);
        set_cell_river_classes(run, con);
        rank_and_check_cells(run, con);
    }
    // Move the 5 x 5 basin into a larger grid at the given offsets.
    void embed(int rows, int cols, int row_off, int col_off) {
        const Grid<float> elev = run.grid.elev, frac = run.grid.frac;
        const Grid<int> dir = run.grid.dir;
        shape(rows, cols);
        for (int i = 1; i <= 5; ++i)
            for (int j = 1; j <= 5; ++j) {
                run.grid.elev(i + row_off, j + col_off) = elev(i, j);
                run.grid.frac(i + row_off, j + col_off) = frac(i, j);
                run.grid.dir(i + row_off, j + col_off) = dir(i, j);
            }
    }
    std::vector<int> ranks_north_first() const {
        std::vector<int> v;
        for (int i = run.hdr.ycount; i >= 1; --i)
            for (int j = 1; j <= run.hdr.xcount; ++j) v.push_back(run.grid.rank(i, j));
        return v;
    }
};

TEST_F(SubwatershedTest, NoOutletKeepsTheWholeBasin) {
    network();
    const auto before = ranks_north_first();
    extract_and_trim(run, con);
    EXPECT_EQ(run.lastgrid, std::vector<int>{10});
    EXPECT_EQ(run.n_kept, 10);
    EXPECT_EQ(ranks_north_first(), before);
    EXPECT_EQ(run.grid.next(2, 4), 10);
    EXPECT_EQ(run.grid.next(1, 4), 0);
    EXPECT_FLOAT_EQ(run.grid.frac(2, 4), 1.0e6f);
    EXPECT_EQ(run.window.rows, 5);
    EXPECT_EQ(run.window.cols, 5);
    EXPECT_EQ(out.str().find("Grid size for the .shd file"), std::string::npos);
}

TEST_F(SubwatershedTest, OutletKeepsTheWatershedAboveTheCellBelowIt) {
    run.answers.outlets = {2};
    network();
    EXPECT_EQ(run.lastgrid, std::vector<int>{7});
    EXPECT_TRUE(has_line(run.log.buffer(), "revised outlet grids to receiving grids:"));
    EXPECT_TRUE(has_line(run.log.buffer(), "1 2 > 7"));
    extract_and_trim(run, con);
    EXPECT_EQ(run.n_kept, 3);
    EXPECT_EQ(ranks_north_first(), (std::vector<int>{0, 0, 0, 0, 0,  //
                                                     0, 0, 0, 0, 0,
                                                     0, 1, 0, 0, 0,
                                                     0, 2, 3, 0, 0,
                                                     0, 0, 0, 0, 0}));
    EXPECT_EQ(run.grid.next(3, 2), 3);
    EXPECT_EQ(run.grid.next(2, 2), 3);
    EXPECT_EQ(run.grid.next(2, 3), 0);  // the new receiving cell
    EXPECT_EQ(run.grid.next(4, 2), 0);  // removed
    EXPECT_FLOAT_EQ(run.grid.frac(2, 3), 0.0f);
    EXPECT_FLOAT_EQ(run.grid.frac(4, 2), 0.0f);
    EXPECT_FLOAT_EQ(run.grid.frac(3, 2), 1.0e6f);

    blank_outside_watershed(run);
    EXPECT_FLOAT_EQ(run.grid.elev(4, 2), 0.0f);
    EXPECT_FLOAT_EQ(run.grid.da(2, 4), 0.0f);
    EXPECT_EQ(run.grid.river_class(2, 4), 0);
    EXPECT_FLOAT_EQ(run.grid.elev(2, 3), 5.0f);  // kept cells keep their values
    EXPECT_FLOAT_EQ(run.grid.da(2, 3), 3.0f);
}

TEST_F(SubwatershedTest, InletRemovesWhatDrainsIntoIt) {
    run.answers.inlets = {6};
    network();
    extract_and_trim(run, con);
    EXPECT_EQ(run.n_kept, 8);
    EXPECT_EQ(run.grid.rank(4, 2), 0);  // old 1
    EXPECT_EQ(run.grid.rank(4, 3), 0);  // old 3
    EXPECT_EQ(run.grid.rank(3, 3), 4);  // the inlet stays, renumbered
    EXPECT_EQ(run.grid.next(3, 3), 7);  // old 9
    EXPECT_FLOAT_EQ(run.grid.da(3, 3), 3.0f);  // with its full drainage area
    EXPECT_FLOAT_EQ(run.grid.frac(3, 3), 1.0e6f);
}

TEST_F(SubwatershedTest, InletOutsideTheWatershedLeavesItWhole) {
    // Cell 8 is not upstream of the outlet's receiving cell 7 and has a higher
    // number than it: only what drains into 8 goes.
    run.answers.outlets = {2};
    run.answers.inlets = {8};
    network();
    extract_and_trim(run, con);
    EXPECT_EQ(run.n_kept, 3);
    EXPECT_EQ(run.grid.rank(3, 2), 1);
    EXPECT_EQ(run.grid.rank(3, 4), 0);  // the inlet was not in the watershed
}

TEST_F(SubwatershedTest, SeveralOutletsPutTheirReceivingCellsLast) {
    // Outlets 2 (into 7) and 5 (into 8): kept 2, 4, 5 and the receiving 7, 8.
    run.answers.outlets = {2, 5};
    network();
    run.nca_in_use = true;
    run.grid.contrib_area.fill(5.0e5f);
    for (auto& f : run.grid.fetch) f.assign(5, 5, 0.5f);
    extract_and_trim(run, con);
    EXPECT_EQ(run.n_kept, 5);
    EXPECT_EQ(run.n_kept_receiving, 2);
    EXPECT_EQ(run.old_number, (std::vector<int>{0, 2, 4, 5, 7, 8}));
    EXPECT_EQ(ranks_north_first(), (std::vector<int>{0, 0, 0, 0, 0,  //
                                                     0, 0, 0, 3, 0,
                                                     0, 1, 0, 5, 0,
                                                     0, 2, 4, 0, 0,
                                                     0, 0, 0, 0, 0}));
    EXPECT_EQ(run.grid.next(3, 2), 4);
    EXPECT_EQ(run.grid.next(4, 4), 5);
    EXPECT_EQ(run.grid.next(2, 3), 0);
    // A receiving cell has the contributing area of one: 1 m2.
    EXPECT_FLOAT_EQ(run.grid.contrib_area(2, 3), 1.0f);
    EXPECT_FLOAT_EQ(run.grid.contrib_area(3, 2), 5.0e5f);

    blank_outside_watershed(run);
    EXPECT_FLOAT_EQ(run.grid.fetch[0](4, 2), 0.0f);  // old cell 1 went, with its fetch
    EXPECT_FLOAT_EQ(run.grid.fetch[7](3, 2), 0.5f);
}

TEST_F(SubwatershedTest, OutletIntoOneOfSeveralReceivingCellsKeepsOnlyWhatDrainsThere) {
    // Cell 4 now drains south into a second receiving cell at (1,2).
    run.grid.dir(2, 2) = 4;
    run.grid.elev(1, 2) = 0.5f;
    run.answers.outlets = {4};
    network();
    EXPECT_EQ(run.lastgrid, std::vector<int>{11});
    extract_and_trim(run, con);
    EXPECT_EQ(run.n_kept, 2);
    EXPECT_EQ(run.n_kept_receiving, 1);
    EXPECT_EQ(run.grid.rank(2, 2), 1);
    EXPECT_EQ(run.grid.rank(1, 2), 2);
    EXPECT_EQ(run.grid.rank(1, 4), 0);  // the other watershed is gone
    EXPECT_EQ(run.grid.rank(3, 3), 0);
}

TEST_F(SubwatershedTest, NoBasinCellLeftStops) {
    // Outlet 1 drains into 6; an inlet on 6 removes everything above it.
    run.answers.outlets = {1};
    run.answers.inlets = {6};
    network();
    try {
        extract_and_trim(run, con);
        FAIL() << "expected a stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.exit_status(), 1);
        EXPECT_EQ(s.lines.front(), "No grid is left in the watershed after the outlets and inlets were applied");
        EXPECT_EQ(s.lines[1], "(only its receiving grid(s) would be left)");
    }
}

TEST_F(SubwatershedTest, OutletAtAReceivingCellStops) {
    run.answers.outlets = {10};
    try {
        network();
        FAIL() << "expected a stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.exit_status(), 1);
        EXPECT_EQ(s.lines.back(), "Program aborted");
    }
    EXPECT_TRUE(has_line(out.str(), "It looks like you have picked a lastgrid outside"));
    EXPECT_TRUE(has_line(out.str(), "na,naa,lastgrid 10 9 0"));
}

TEST_F(SubwatershedTest, OutletAndInletRanksOutsideTheCellsStopWithAMessage) {
    for (int bad : {0, -3, 11}) {
        for (bool outlet : {true, false}) {
            run.answers.outlets = outlet ? std::vector<int>{bad} : std::vector<int>{2};
            run.answers.inlets = outlet ? std::vector<int>{} : std::vector<int>{bad};
            run.errors = 0;
            try {
                network();
                extract_and_trim(run, con);
                ADD_FAILURE() << "no stop for " << bad;
            } catch (const Stop& s) {
                EXPECT_EQ(s.exit_status(), 1);
                ASSERT_GE(s.lines.size(), 2u);
                EXPECT_EQ(s.lines[0], words(outlet ? "Outlet" : "Inlet", "grid # 1 has the rank", bad));
                EXPECT_EQ(s.lines[1], "but the grids of this map are ranked 1 to 10");
            }
        }
    }
}

TEST_F(SubwatershedTest, TrimmingKeepsTwoBlankLinesOnEachSide) {
    // Basin rows 6..9 of 12, columns 3..5 of 9: south 5 blank rows (3 go),
    // north 3 (1 goes), west exactly 2 (none go), east 4 (2 go).
    embed(12, 9, 5, 1);
    run.hdr.xorigin = 100;
    run.hdr.yorigin = 200;
    network();
    out.str("");
    extract_and_trim(run, con);
    const Window& w = run.window;
    EXPECT_EQ(w.south, 3);
    EXPECT_EQ(w.north, 1);
    EXPECT_EQ(w.west, 0);
    EXPECT_EQ(w.east, 2);
    EXPECT_EQ(w.rows, 8);
    EXPECT_EQ(w.cols, 7);
    EXPECT_FLOAT_EQ(w.xorigin, 100.0f);
    EXPECT_FLOAT_EQ(w.yorigin, 3200.0f);
    EXPECT_EQ(out.str(),
              "\n"
              "Grid size for the .shd file has been reduced by\n"
              "No. of rows removed north side = 1\n"
              "No. of rows removed south side = 3\n"
              "No. of columns removed west side = 0\n"
              "No. of columns removed east side = 2\n"
              "xcount= 9\n"
              "ycount= 12\n"
              "There will now be 7 columns\n"
              "                  8 rows and\n"
              "This is done to reduce the size of the output files\n");
    out.str("");
    report_trimming_again(run, con);
    EXPECT_EQ(out.str(),
              "2nd time\n"
              "No. of rows removed north side = 1\n"
              "No. of rows removed south side = 3\n"
              "No. of columns removed west side = 0\n"
              "No. of columns removed east side = 2\n");

    // Squares outside the window are left alone by the blanking.
    run.grid.elev(1, 1) = 7;
    blank_outside_watershed(run);
    EXPECT_FLOAT_EQ(run.grid.elev(1, 1), 7.0f);
    adjust_legacy_extents(run, con);
    EXPECT_EQ(run.ext_south, 3);
    EXPECT_EQ(run.ext_north, -1);
    EXPECT_EQ(run.ext_east, -2);
}

TEST(SubwatershedExtents, GeographicExtentsMoveByWholeMinutes) {
    ::Run run;
    std::istringstream in;
    std::ostringstream out;
    Console con(in, out);
    run.hdr.projection = "LATLONG";
    run.hdr.xdelta = 0.5f;
    run.hdr.ydelta = 1.5f;
    run.window.south = 1;
    run.window.east = 3;
    adjust_legacy_extents(run, con);
    EXPECT_EQ(run.ext_south, 1);  // integer part of 1.5
    EXPECT_EQ(run.ext_east, -1);  // integer part of 1.5
    EXPECT_EQ(out.str(),
              " Old extent of the grid in minutes:\n"
              "0 0 0 0\n"
              " New extent of the grid in minutes:\n"
              "1 0 0 -1\n"
              " New extent of the grid in degrees & minutes:\n"
              "0 1 0 0\n"
              "0 0 0 -1\n"
              " x interval = 0.5\n"
              "y interval = 1.5\n");
}

}  // namespace
