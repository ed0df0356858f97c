#include "mapfile/grid_blocks.hpp"

#include "map_test_support.hpp"
#include "mapfile/map_header.hpp"

namespace {

// Blocks 1-3 of a 4 x 3 map; line numbers: heading of block 1 on line 19.
const char* kElev =
    "elevations\n"
    " 5 4 3 2\n"
    " 6 1\n"  // a row over two lines
    " 1 7\n"
    " 9 8 7 1 99\n";  // the fifth value is dropped
const char* kFrac =
    "fractions\n"
    "100 50 0 0\n"
    "100,100,100,0\n"
    "0 0 25 0\n";
const char* kDir =
    "\n"  // an empty heading line
    "3 4 5 0\n"
    "2 2 4 0\n"
    "0 0 0 0\n";
const char* kLater =
    "river classes\n"
    "1 2 3 0\n1 1 2 0\n0 0 0 0\n"
    "contours\n"
    "1 2 3 4\n0 0 0 0\n0 0 0 5\n"
    "channels\n"
    "1 1 1 1\n1 1 1 1\n1 1 1 1\n"
    "reaches\n"
    "0 0 1 1\n0 0 0 0\n2 0 0 0\n";

std::string small_map(const std::string& elev = kElev, const std::string& frac = kFrac,
                      const std::string& dir = kDir, const std::string& later = kLater) {
    return map_header(4, 3, ":elevConversion 2\n") + elev + frac + dir + later;
}

void start(StageRun& s) {
    read_map_header(s.run, s.con);
    allocate_grids(s.run, s.con);
}

}  // namespace

TEST(GridBlocks, ReadsConvertsAndListsBlocks1To3) {
    StageRun s(small_map());
    start(s);
    read_blocks_1_to_3(s.run, s.con);
    const BasinGrid& g = s.run.grid;
    // Rows are listed north first; elevations times elevConversion.
    EXPECT_FLOAT_EQ(g.elev(3, 1), 10.0f);
    EXPECT_FLOAT_EQ(g.elev(2, 4), 14.0f);
    EXPECT_FLOAT_EQ(g.elev(1, 1), 18.0f);
    // Lowest value 2 in three squares: the first in row order is lowered to 0.
    EXPECT_EQ(s.run.lowest_row, 1);
    EXPECT_EQ(s.run.lowest_col, 4);
    EXPECT_FLOAT_EQ(g.elev(1, 4), 0.0f);
    EXPECT_FLOAT_EQ(g.elev(2, 2), 2.0f);
    EXPECT_FLOAT_EQ(s.run.hdr.elvconv, 1.0f);
    EXPECT_FLOAT_EQ(g.frac(3, 1), 1.0f);
    EXPECT_FLOAT_EQ(g.frac(3, 2), 0.5f);
    EXPECT_FLOAT_EQ(g.frac(1, 3), 0.25f);
    EXPECT_EQ(g.dir(3, 1), 3);
    EXPECT_EQ(g.dir(2, 3), 4);
    // The run log holds the fractions as read and the directions, north row first.
    std::string log = s.log();
    EXPECT_NE(log.find("Fraction of each grid square in the basin (%)   (fractions)\n"
                       "  pos  row |     1     2     3     4\n"
                       "    1    3 | 100.0  50.0   0.0   0.0\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Drainage directions\n  pos  row | 1 2 3 4\n    1    3 | 3 4 5 0\n"
                       "    2    2 | 2 2 4 0\n"),
              std::string::npos)
        << log;

    read_river_class_block(s.run, s.con);
    EXPECT_EQ(s.run.nrvr, 3);
    EXPECT_EQ(g.river_class(3, 3), 3);
    EXPECT_TRUE(s.said("4 3"));
    EXPECT_TRUE(s.said("No of river classes found in the map file = 3"));
    EXPECT_FALSE(s.said("nrvr= 3"));
    read_blocks_5_to_7(s.run, s.con);
    EXPECT_EQ(g.contours(1, 4), 5);
    EXPECT_EQ(g.reach(3, 3), 1);
    EXPECT_EQ(g.reach(1, 1), 2);
    EXPECT_TRUE(s.run.map.at_end());
}

TEST(GridBlocks, NegativeSquaresAreCountedAndOnlyThoseTheBasinDrainsIntoRaised) {
    // x2: (3,1) = -3 receives from (3,2) (code 6, west); (3,4) = -2 and
    // (1,4) = -4 receive nothing. The fraction of (3,2) is 50 %.
    const char* dir = "\n0 6 0 0\n0 0 0 0\n0 0 0 0\n";
    StageRun s(small_map("e\n-1.5 4 3 -1\n6 1 1 7\n9 8 7 -2\n", kFrac, dir));
    start(s);
    read_blocks_1_to_3(s.run, s.con);
    const Grid<float>& e = s.run.grid.elev;
    EXPECT_TRUE(s.said("WARNING: 3 grid squares have elevations below 0 - they are left out of the model"));
    EXPECT_TRUE(s.said("WARNING: grid square row 3 col 1 elevation -3 receives flow from the basin - "
                       "raised to 0.001"));
    EXPECT_FLOAT_EQ(e(3, 1), 0.001f);
    EXPECT_FLOAT_EQ(e(3, 4), -2.0f);
    EXPECT_FLOAT_EQ(e(1, 4), -4.0f);
    EXPECT_FLOAT_EQ(e(2, 2), 2.0f);  // the lowest positive square is not touched either

    // A single negative square is reported too.
    StageRun one(small_map("e\n-1.5 4 3 2\n6 1 1 7\n9 8 7 0.5\n"));
    start(one);
    read_blocks_1_to_3(one.run, one.con);
    EXPECT_TRUE(one.said("WARNING: 1 grid squares have elevations below 0 - they are left out of the model"));
    EXPECT_FLOAT_EQ(one.run.grid.elev(3, 1), -3.0f);
}

TEST(GridBlocks, AreaValuedFractionBlockIsDividedByTheSquareArea) {
    StageRun s(small_map(kElev, "areas\n-1 450 900 0\n900 900 900 0\n0 0 0 0\n"));
    start(s);
    read_blocks_1_to_3(s.run, s.con);
    EXPECT_FLOAT_EQ(s.run.grid.frac(3, 2), 0.5f);  // 30 m x 30 m squares
    EXPECT_FLOAT_EQ(s.run.grid.frac(2, 1), 1.0f);
}

TEST(GridBlocks, RiverClassCountNeverShrinksAndIsShownInDebug) {
    StageRun s(small_map());
    start(s);
    read_blocks_1_to_3(s.run, s.con);
    s.run.nrvr = 5;
    s.run.iopt = 1;
    read_river_class_block(s.run, s.con);
    EXPECT_EQ(s.run.nrvr, 5);
    EXPECT_TRUE(s.said("nrvr= 5"));
}

TEST(GridBlocks, UnreadableRowsStopWithTheBlocksMessageFileAndLine) {
    struct Case {
        std::string map;
        std::string message;
        std::string detail;
    };
    const Case cases[] = {
        {small_map("e\n5 4 NaN 2\n"), " Problems reading the elevations on line 1",
         "in file zelm.map line 20: \"NaN\" is not a number"},
        {small_map("e\n5 4 3 2\n6 Inf 1 7\n"), " Problems reading the elevations on line 2",
         "in file zelm.map line 21: \"Inf\" is not a number"},
        {small_map(kElev, "f\n100 50 0 0\n", "", ""), " Problems reading the fractions in row 2",
         "in file zelm.map line 25: the file ends before the values expected here"},
        {small_map(kElev, "f\n", "", ""), " Problems reading the fractions in row 3",
         "in file zelm.map line 24: the file ends before the values expected here"},
        {small_map(kElev, kFrac, "d\n3 4.0 5 0\n"), " Problems reading the directions on line 3",
         "in file zelm.map line 29: \"4.0\" is not a whole number"},
        {small_map(kElev, kFrac, "d\n3 4 5 0\n2 x 4 0\n"),
         " Problems reading the directions on line 2",
         "in file zelm.map line 30: \"x\" is not a whole number"},
        {small_map(kElev, kFrac, std::string("d\n3 4 5 0\n\x01\xff\x7f\x80 1 2 3\n")),
         " Problems reading the directions on line 2",
         "in file zelm.map line 30: \"????\" is not a whole number"},
    };
    for (const auto& c : cases) {
        StageRun s(c.map);
        start(s);
        Stop stop = expect_stop([&] { read_blocks_1_to_3(s.run, s.con); });
        EXPECT_EQ(stop.kind, StopKind::error);
        EXPECT_EQ(stop.lines,
                  (std::vector<std::string>{c.message, "", c.detail, " Program aborted"}));
    }
}

TEST(GridBlocks, LaterBlocksNameTheirRowsToo) {
    const std::pair<std::string, std::string> cases[] = {
        {"r\n1 2 3 0\n1 1.5 2 0\n", " Problems reading the river class on line 2"},
        {"r\n1 2 3 0\n1 1 2 0\n0 0 0 0\nc\n1 2 3 4\n",
         " Problems reading the no countours on line 2"},
        {"r\n1 2 3 0\n1 1 2 0\n0 0 0 0\nc\n1 2 3 4\n0 0 0 0\n0 0 0 5\nch\nA 1 1 1\n",
         " Problems reading the no channels on line 3"},
        {"r\n1 2 3 0\n1 1 2 0\n0 0 0 0\nc\n1 2 3 4\n0 0 0 0\n0 0 0 5\nch\n1 1 1 1\n1 1 1 1\n"
         "1 1 1 1\nre\n1 1 1 1\n1 1 1 1\n1 1 1 1e2\n",
         " Problems reading the reach no on line 1"},
    };
    for (const auto& [later, message] : cases) {
        StageRun s(small_map(kElev, kFrac, kDir, later));
        start(s);
        read_blocks_1_to_3(s.run, s.con);
        Stop stop = expect_stop([&] {
            read_river_class_block(s.run, s.con);
            read_blocks_5_to_7(s.run, s.con);
        });
        ASSERT_FALSE(stop.lines.empty());
        EXPECT_EQ(stop.lines.front(), message);
        EXPECT_EQ(stop.lines.back(), " Program aborted");
    }
}

TEST(GridBlocks, AMillionCharacterLineIsReadAsOneRow) {
    std::string wide = "e\n5 4 3 2";
    for (int k = 0; k < 250000; ++k) wide += " 9.5";
    wide += "\n6 1 1 7\n9 8 7 1\n";
    StageRun s(small_map(wide));
    start(s);
    read_blocks_1_to_3(s.run, s.con);
    EXPECT_FLOAT_EQ(s.run.grid.elev(3, 4), 4.0f);
    EXPECT_FLOAT_EQ(s.run.grid.elev(2, 1), 12.0f);
    EXPECT_EQ(s.run.grid.dir(3, 1), 3);
}
