#include "mapfile/grid_blocks.hpp"

#include "basin_builder.hpp"
#include "mapfile/map_header.hpp"
#include "test_support.hpp"

using zeltest::expect_stop;
using zeltest::MapRun;

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

// The header of a 4 x 3 map of 30 m squares (:elevConversion 2), then the blocks.
std::string small_map(const std::string& elev = kElev, const std::string& frac = kFrac,
                      const std::string& dir = kDir, const std::string& later = kLater) {
    const std::string text = zeltest::BasinBuilder(3, 4, 30.0f).map_text();
    return text.substr(0, text.find(":endHeader\n")) + ":elevConversion 2\n:endHeader\n" + elev +
           frac + dir + later;
}

void start(MapRun& s) {
    read_map_header(s.map, 0, s.input, s.run);
    allocate_grids(s.map, s.input, s.run);
}
void blocks_1_to_3(MapRun& s) { read_blocks_1_to_3(s.map, s.input, s.run); }

}  // namespace

TEST(GridBlocks, ReadsConvertsAndListsBlocks1To3) {
    MapRun s(small_map());
    start(s);
    blocks_1_to_3(s);
    const MapInput& g = s.input;
    // Rows are listed north first; elevations times elevConversion.
    EXPECT_FLOAT_EQ(g.elev(3, 1), 10.0f);
    EXPECT_FLOAT_EQ(g.elev(2, 4), 14.0f);
    EXPECT_FLOAT_EQ(g.elev(1, 1), 18.0f);
    // Lowest value 2 in three squares: the first in row order is lowered to 0.
    EXPECT_FLOAT_EQ(g.elev(1, 4), 0.0f);
    EXPECT_FLOAT_EQ(g.elev(2, 2), 2.0f);
    EXPECT_FLOAT_EQ(g.elev(2, 3), 2.0f);
    EXPECT_FALSE(g.negative_elevations);
    EXPECT_FLOAT_EQ(g.hdr.elvconv, 1.0f);
    EXPECT_FLOAT_EQ(g.fraction(3, 1), 1.0f);
    EXPECT_FLOAT_EQ(g.fraction(3, 2), 0.5f);
    EXPECT_FLOAT_EQ(g.fraction(1, 3), 0.25f);
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

    read_river_class_block(s.map, s.input, s.run);
    EXPECT_EQ(g.nrvr, 3);
    EXPECT_EQ(g.river_class(3, 3), 3);
    EXPECT_TRUE(s.said("4 3"));
    EXPECT_TRUE(s.said("No of river classes found in the map file = 3"));
    EXPECT_FALSE(s.said("nrvr= 3"));
    read_blocks_5_to_7(s.map, s.input, s.run);
    EXPECT_EQ(g.contours(1, 4), 5);
    EXPECT_EQ(g.reach(3, 3), 1);
    EXPECT_EQ(g.reach(1, 1), 2);
    EXPECT_TRUE(s.map.at_end());
}

TEST(GridBlocks, NegativeSquaresAreCountedAndOnlyThoseTheBasinDrainsIntoRaised) {
    // x2: (3,1) = -3 receives from (3,2) (code 6, west); (3,4) = -2 and
    // (1,4) = -4 receive nothing. The fraction of (3,2) is 50 %.
    const char* dir = "\n0 6 0 0\n0 0 0 0\n0 0 0 0\n";
    MapRun s(small_map("e\n-1.5 4 3 -1\n6 1 1 7\n9 8 7 -2\n", kFrac, dir));
    start(s);
    blocks_1_to_3(s);
    const Grid<float>& e = s.input.elev;
    EXPECT_TRUE(s.input.negative_elevations);
    EXPECT_TRUE(s.said("WARNING: 3 grid squares have elevations below 0 - they are left out of the model"));
    EXPECT_TRUE(s.said("WARNING: grid square row 3 col 1 elevation -3 receives flow from the basin - "
                       "raised to 0.001"));
    EXPECT_FLOAT_EQ(e(3, 1), 0.001f);
    EXPECT_FLOAT_EQ(e(3, 4), -2.0f);
    EXPECT_FLOAT_EQ(e(1, 4), -4.0f);
    EXPECT_FLOAT_EQ(e(2, 2), 2.0f);  // the lowest positive square is not touched either

    // A single negative square is reported too.
    MapRun one(small_map("e\n-1.5 4 3 2\n6 1 1 7\n9 8 7 0.5\n"));
    start(one);
    blocks_1_to_3(one);
    EXPECT_TRUE(one.said("WARNING: 1 grid squares have elevations below 0 - they are left out of the model"));
    EXPECT_FLOAT_EQ(one.input.elev(3, 1), -3.0f);
}

TEST(GridBlocks, AreaValuedFractionBlockIsDividedByTheSquareArea) {
    MapRun s(small_map(kElev, "areas\n-1 450 900 0\n900 900 900 0\n0 0 0 0\n"));
    start(s);
    blocks_1_to_3(s);
    EXPECT_FLOAT_EQ(s.input.fraction(3, 2), 0.5f);  // 30 m x 30 m squares
    EXPECT_FLOAT_EQ(s.input.fraction(2, 1), 1.0f);
}

TEST(GridBlocks, RiverClassCountNeverShrinksAndIsShownInDebug) {
    MapRun s(small_map());
    start(s);
    blocks_1_to_3(s);
    s.input.nrvr = 5;
    s.run.iopt = 1;
    read_river_class_block(s.map, s.input, s.run);
    EXPECT_EQ(s.input.nrvr, 5);
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
        MapRun s(c.map);
        start(s);
        Stop stop = expect_stop([&] { blocks_1_to_3(s); });
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
        MapRun s(small_map(kElev, kFrac, kDir, later));
        start(s);
        blocks_1_to_3(s);
        Stop stop = expect_stop([&] {
            read_river_class_block(s.map, s.input, s.run);
            read_blocks_5_to_7(s.map, s.input, s.run);
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
    MapRun s(small_map(wide));
    start(s);
    blocks_1_to_3(s);
    EXPECT_FLOAT_EQ(s.input.elev(3, 4), 4.0f);
    EXPECT_FLOAT_EQ(s.input.elev(2, 1), 12.0f);
    EXPECT_EQ(s.input.dir(3, 1), 3);
}
