#include "network/subwatershed.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "basin_builder.hpp"
#include "common/stop.hpp"
#include "common/text.hpp"
#include "network/flow_network.hpp"
#include "output/outputs.hpp"
#include "test_support.hpp"

namespace {

using zeltest::split_lines;

bool has_line(const std::string& text, const std::string& line) {
    const auto lines = split_lines(text);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Blocks of new_shd.r2c, by attribute number.
enum Block { kElev = 6, kDa = 3, kIak = 8, kGridArea = 12, kFetchNE = 13, kFetchN = 20 };

// new_shd.r2c as written: a block's value at a basin square.
struct ShdFile {
    std::vector<std::string> lines;
    Window window;
    float at(int block, int i, int j) const {
        const auto end = std::find(lines.begin(), lines.end(), padded(":EndHeader", 40));
        const auto line = end + 1 + (block - 1) * window.rows + (i - window.row0());
        std::istringstream values(*line);
        float v = 0;
        for (int c = window.col0(); c <= j; ++c) values >> v;
        return v;
    }
};

// The hand-checked basin of the builder (cells 1..9 draining to the
// receiving cell 10):
//   row 4:  1  3  5
//   row 3:  2  6  8        next: 1,3 -> 6; 2,4 -> 7; 5 -> 8; 6,7,8 -> 9; 9 -> 10
//   row 2:  4  7  9
//   row 1:        10
class SubwatershedTest : public zeltest::StageTest {
  protected:
    void SetUp() override { in.str(std::string(20, '\n')); }
    // Everything up to the extraction, as the run does it.
    void network(const NonContributing& nca = {}) {
        net = basin.network(run, nca);
        outlets = revise_outlets(net, basin.answers, run);
        map.river_class.fill(1);
        map.contours.fill(1);
        map.channels.fill(1);
        set_cell_river_classes(net, map.river_class, run);
        rank_and_check_cells(net, map, run);
    }
    void extract() { shed = extract_and_trim(net, outlets, basin.answers.inlets, map.hdr, run); }
    // Move the 5 x 5 basin into a larger grid at the given offsets.
    void embed(int rows, int cols, int row_off, int col_off) {
        zeltest::BasinBuilder big(rows, cols);
        for (int i = 1; i <= 5; ++i)
            for (int j = 1; j <= 5; ++j) {
                big.map.elev(i + row_off, j + col_off) = map.elev(i, j);
                big.map.fraction(i + row_off, j + col_off) = map.fraction(i, j);
                big.map.dir(i + row_off, j + col_off) = map.dir(i, j);
            }
        big.answers = basin.answers;
        basin = std::move(big);
    }
    static std::vector<int> ranks_north_first(const Grid<int>& rank) {
        std::vector<int> v;
        for (int i = rank.rows(); i >= 1; --i)
            for (int j = 1; j <= rank.cols(); ++j) v.push_back(rank(i, j));
        return v;
    }
    // new_shd.r2c of the extracted watershed, every fetch `fetch` squares.
    ShdFile write_shd(const NonContributing& nca = {}, float fetch = 0) {
        zeltest::WrittenProducts p(basin);
        p.net = net;
        p.shed = shed;
        p.nca = nca;
        for (auto& f : p.fetch) f.fill(fetch);
        write_new_shd(p.written(), run);
        run.outputs.publish();
        return {zeltest::lines_of("new_shd.r2c"), shed.window};
    }

    zeltest::BasinBuilder basin = zeltest::BasinBuilder::hand_checked();
    MapInput& map = basin.map;
    Network net;
    Outlets outlets;
    Watershed shed;
};

TEST_F(SubwatershedTest, NoOutletKeepsTheWholeBasin) {
    network();
    extract();
    EXPECT_EQ(shed.lastgrid, std::vector<int>{10});
    EXPECT_EQ(shed.cells, 10);
    EXPECT_EQ(ranks_north_first(shed.rank), ranks_north_first(net.rank));
    EXPECT_EQ(shed.next(2, 4), 10);
    EXPECT_EQ(shed.next(1, 4), 0);
    EXPECT_EQ(shed.window.rows, 5);
    EXPECT_EQ(shed.window.cols, 5);
    EXPECT_EQ(out.str().find("Grid size for the .shd file"), std::string::npos);
    EXPECT_FLOAT_EQ(write_shd().at(kGridArea, 2, 4), 1.0e6f);
}

TEST_F(SubwatershedTest, OutletKeepsTheWatershedAboveTheCellBelowIt) {
    basin.answers.outlets = {2};
    network();
    EXPECT_EQ(outlets.lastgrid, std::vector<int>{7});
    EXPECT_TRUE(has_line(run.log.buffer(), "revised outlet grids to receiving grids:"));
    EXPECT_TRUE(has_line(run.log.buffer(), "1 2 > 7"));
    extract();
    EXPECT_EQ(shed.cells, 3);
    EXPECT_EQ(ranks_north_first(shed.rank), (std::vector<int>{0, 0, 0, 0, 0,  //
                                                               0, 0, 0, 0, 0,
                                                               0, 1, 0, 0, 0,
                                                               0, 2, 3, 0, 0,
                                                               0, 0, 0, 0, 0}));
    EXPECT_EQ(shed.next(3, 2), 3);
    EXPECT_EQ(shed.next(2, 2), 3);
    EXPECT_EQ(shed.next(2, 3), 0);  // the new receiving cell
    EXPECT_EQ(shed.next(4, 2), 0);  // removed

    // What lies outside the watershed is written as 0; kept cells keep their values.
    const ShdFile shd = write_shd();
    EXPECT_FLOAT_EQ(shd.at(kGridArea, 2, 3), 0.0f);
    EXPECT_FLOAT_EQ(shd.at(kGridArea, 4, 2), 0.0f);
    EXPECT_FLOAT_EQ(shd.at(kGridArea, 3, 2), 1.0e6f);
    EXPECT_FLOAT_EQ(shd.at(kElev, 4, 2), 0.0f);
    EXPECT_FLOAT_EQ(shd.at(kDa, 2, 4), 0.0f);
    EXPECT_FLOAT_EQ(shd.at(kIak, 2, 4), 0.0f);
    EXPECT_FLOAT_EQ(shd.at(kElev, 2, 3), 5.0f);
    EXPECT_FLOAT_EQ(shd.at(kDa, 2, 3), 3.0f);
}

TEST_F(SubwatershedTest, InletRemovesWhatDrainsIntoIt) {
    basin.answers.inlets = {6};
    network();
    extract();
    EXPECT_EQ(shed.cells, 8);
    EXPECT_EQ(shed.rank(4, 2), 0);  // old 1
    EXPECT_EQ(shed.rank(4, 3), 0);  // old 3
    EXPECT_EQ(shed.rank(3, 3), 4);  // the inlet stays, renumbered
    EXPECT_EQ(shed.next(3, 3), 7);  // old 9
    const ShdFile shd = write_shd();
    EXPECT_FLOAT_EQ(shd.at(kDa, 3, 3), 3.0f);  // with its full drainage area
    EXPECT_FLOAT_EQ(shd.at(kGridArea, 3, 3), 1.0e6f);
}

TEST_F(SubwatershedTest, InletOutsideTheWatershedLeavesItWhole) {
    // Cell 8 is not upstream of the outlet's receiving cell 7 and has a higher
    // number than it: only what drains into 8 goes.
    basin.answers.outlets = {2};
    basin.answers.inlets = {8};
    network();
    extract();
    EXPECT_EQ(shed.cells, 3);
    EXPECT_EQ(shed.rank(3, 2), 1);
    EXPECT_EQ(shed.rank(3, 4), 0);  // the inlet was not in the watershed
}

TEST_F(SubwatershedTest, SeveralOutletsPutTheirReceivingCellsLast) {
    // Outlets 2 (into 7) and 5 (into 8): kept 2, 4, 5 and the receiving 7, 8.
    basin.answers.outlets = {2, 5};
    NonContributing nca;
    nca.in_use = true;
    nca.contrib_area.assign(5, 5, 5.0e5f);
    network(nca);
    extract();
    EXPECT_EQ(shed.cells, 5);
    EXPECT_EQ(shed.receiving, 2);
    EXPECT_EQ(shed.old_number, (std::vector<int>{0, 2, 4, 5, 7, 8}));
    EXPECT_EQ(ranks_north_first(shed.rank), (std::vector<int>{0, 0, 0, 0, 0,  //
                                                               0, 0, 0, 3, 0,
                                                               0, 1, 0, 5, 0,
                                                               0, 2, 4, 0, 0,
                                                               0, 0, 0, 0, 0}));
    EXPECT_EQ(shed.next(3, 2), 4);
    EXPECT_EQ(shed.next(4, 4), 5);
    EXPECT_EQ(shed.next(2, 3), 0);

    const ShdFile shd = write_shd(nca, 0.5f);
    // A receiving cell has the contributing area of one: 1 m2.
    EXPECT_FLOAT_EQ(shd.at(kGridArea, 2, 3), 1.0f);
    EXPECT_FLOAT_EQ(shd.at(kGridArea, 3, 2), 5.0e5f);
    EXPECT_FLOAT_EQ(shd.at(kFetchNE, 4, 2), 0.0f);  // old cell 1 went, with its fetch
    EXPECT_FLOAT_EQ(shd.at(kFetchN, 3, 2), 0.5f * net.areas.al);
}

TEST_F(SubwatershedTest, OutletIntoOneOfSeveralReceivingCellsKeepsOnlyWhatDrainsThere) {
    // Cell 4 now drains south into a second receiving cell at (1,2).
    map.dir(2, 2) = 4;
    map.elev(1, 2) = 0.5f;
    basin.answers.outlets = {4};
    network();
    EXPECT_EQ(outlets.lastgrid, std::vector<int>{11});
    extract();
    EXPECT_EQ(shed.cells, 2);
    EXPECT_EQ(shed.receiving, 1);
    EXPECT_EQ(shed.rank(2, 2), 1);
    EXPECT_EQ(shed.rank(1, 2), 2);
    EXPECT_EQ(shed.rank(1, 4), 0);  // the other watershed is gone
    EXPECT_EQ(shed.rank(3, 3), 0);
}

TEST_F(SubwatershedTest, NoBasinCellLeftStops) {
    // Outlet 1 drains into 6; an inlet on 6 removes everything above it.
    basin.answers.outlets = {1};
    basin.answers.inlets = {6};
    network();
    const Stop s = zeltest::expect_stop([&] { extract(); });
    EXPECT_EQ(s.exit_status(), 1);
    ASSERT_GE(s.lines.size(), 2u);
    EXPECT_EQ(s.lines.front(), "No grid is left in the watershed after the outlets and inlets were applied");
    EXPECT_EQ(s.lines[1], "(only its receiving grid(s) would be left)");
}

TEST_F(SubwatershedTest, OutletAtAReceivingCellStops) {
    basin.answers.outlets = {10};
    const Stop s = zeltest::expect_stop([&] { network(); });
    EXPECT_EQ(s.exit_status(), 1);
    EXPECT_EQ(s.lines.back(), "Program aborted");
    EXPECT_TRUE(has_line(out.str(), "It looks like you have picked a lastgrid outside"));
    EXPECT_TRUE(has_line(out.str(), "na,naa,lastgrid 10 9 0"));
}

TEST_F(SubwatershedTest, OutletAndInletRanksOutsideTheCellsStopWithAMessage) {
    for (int bad : {0, -3, 11}) {
        for (bool outlet : {true, false}) {
            basin.answers.outlets = outlet ? std::vector<int>{bad} : std::vector<int>{2};
            basin.answers.inlets = outlet ? std::vector<int>{} : std::vector<int>{bad};
            try {
                network();
                extract();
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
    map.hdr.xorigin = 100;
    map.hdr.yorigin = 200;
    network();
    out.str("");
    extract();
    const Window& w = shed.window;
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
    report_trimming_again(w, run);
    EXPECT_EQ(out.str(),
              "2nd time\n"
              "No. of rows removed north side = 1\n"
              "No. of rows removed south side = 3\n"
              "No. of columns removed west side = 0\n"
              "No. of columns removed east side = 2\n");

    const LegacyExtents e = adjust_legacy_extents(w, map.hdr, run);
    EXPECT_EQ(e.south, 3);
    EXPECT_EQ(e.north, -1);
    EXPECT_EQ(e.east, -2);
}

TEST(SubwatershedExtents, GeographicExtentsMoveByWholeMinutes) {
    zeltest::TestRun t;
    MapHeader h;
    h.projection = *parse_map_projection("LATLONG");
    h.xdelta = 0.5f;
    h.ydelta = 1.5f;
    Window w;
    w.south = 1;
    w.east = 3;
    const LegacyExtents e = adjust_legacy_extents(w, h, t.run);
    EXPECT_EQ(e.south, 1);  // integer part of 1.5
    EXPECT_EQ(e.east, -1);  // integer part of 1.5
    EXPECT_EQ(t.console(),
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
