#include "mapfile/map_header.hpp"

#include "basin_builder.hpp"
#include "test_support.hpp"

using zeltest::expect_stop;
using zeltest::has_line;
using zeltest::mentions;
using zeltest::MapRun;

namespace {

// The header of the map file of a basin of `cols` x `rows` squares of 30 m
// and 3 classes, with `extra` header lines before its end.
std::string map_header(int cols, int rows, const std::string& extra = "") {
    zeltest::BasinBuilder b(1, 1, 30.0f, 3);
    b.map.hdr.datum1 = "WGS84";
    b.map.hdr.xorigin = 500000.0f;
    b.map.hdr.cintv = 10.0f;
    b.map.hdr.aimpr = 0.0f;
    const std::string text =
        zeltest::replaced(b.map_text(), ":xCount 1\n:yCount 1\n",
                          ":xCount " + std::to_string(cols) + "\n:yCount " + std::to_string(rows) + "\n");
    return text.substr(0, text.find(":endHeader\n")) + extra + ":endHeader\n";
}

void read_header(MapRun& s, float split_percent = 0) {
    read_map_header(s.map, split_percent, s.input, s.run);
}
void allocate(MapRun& s) { allocate_grids(s.map, s.input, s.run); }

}  // namespace

TEST(MapHeader, ReadsEchoesAndConfirmsTheHeader) {
    std::string extra =
        ":Datum NAD83\n"
        ":Projection LatLong\n"
        ":classCount 9.7\n"
        ":xCountless 12\n"  // matched by its first seven characters
        ":EndHeader\n";     // not the end: the comparison is case-sensitive
    MapRun s(map_header(4, 3, extra) + "first block heading\n");
    read_header(s, 100);
    const MapHeader& h = s.input.hdr;
    EXPECT_EQ(h.projection.family, Projection::latlong);
    EXPECT_EQ(h.projection.text, "LATLONG");
    EXPECT_EQ(h.datum1, "NAD83");
    EXPECT_EQ(h.zone, "17");
    EXPECT_FLOAT_EQ(h.xorigin, 500000.0f);
    EXPECT_EQ(h.xcount, 12);
    EXPECT_EQ(h.ycount, 3);
    EXPECT_EQ(h.xcount_line, 20u);
    EXPECT_FLOAT_EQ(h.cintv, 10.0f);
    EXPECT_EQ(h.ntype, 8);
    EXPECT_FLOAT_EQ(s.input.split, 1.0f);
    ASSERT_EQ(h.comments.size(), 1u);
    EXPECT_EQ(h.comments[0], "########");

    auto out = s.lines();
    std::vector<std::string> start(out.begin(), out.begin() + 4);
    EXPECT_EQ(start, (std::vector<std::string>{"", "Ensim compatible free format map file expected",
                                               "", ":FileType map ASCII EnSim 1.0"}));
    EXPECT_TRUE(s.said("projection= LATLONG"));
    EXPECT_TRUE(s.said("xcount= 12"));
    EXPECT_TRUE(s.said("antype= 9.7"));
    std::vector<std::string> end(out.end() - 5, out.end());
    EXPECT_EQ(end, (std::vector<std::string>{"Number of classes now includes the impervious class",
                                             "Number of classes stipulated = 9", "Is this correct?",
                                             "", " Hit enter to continue"}));
    // Positioned on the line after :endHeader.
    std::string_view next;
    ASSERT_TRUE(s.map.next_line(next));
    EXPECT_EQ(next, "first block heading");
}

TEST(MapHeader, ProjectionCheckStopsWithTheFieldShown) {
    std::string text = map_header(4, 3);
    text.replace(text.find(":Projection UTM"), 15, ":Projection GEO");
    MapRun s(text);
    Stop stop = expect_stop([&] { read_header(s); });
    EXPECT_EQ(stop.kind, StopKind::error);
    EXPECT_TRUE(has_line(stop, "format found is ***GEO       ***"));
    EXPECT_EQ(stop.lines.back(), "Program aborted @ 407");

    MapRun cart(map_header(4, 3, ":CoordSys Cartesian\n"));
    read_header(cart);
    EXPECT_EQ(cart.input.hdr.projection.family, Projection::cartesian);
    EXPECT_EQ(cart.input.hdr.projection.text, "CARTESIAN");
}

TEST(MapHeader, SplitOutsideItsRangeStops) {
    for (float split : {100.5f, -1.0f}) {
        MapRun s(map_header(4, 3));
        Stop stop = expect_stop([&] { read_header(s, split); });
        EXPECT_EQ(stop.lines,
                  (std::vector<std::string>{"value for split is outside acceptable range", "",
                                            "Program aborted @ 483"}));
    }
}

TEST(MapHeader, BadFilesStopWithFileAndLine) {
    struct Case {
        std::string text;
        std::string expected;  // part of the stop's lines
        std::string last;
    };
    std::string no_end = map_header(4, 3);
    no_end.resize(no_end.find(":endHeader"));
    std::string bad_value = map_header(4, 3, ":xOrigin 5x00\n");
    std::string bad_count = map_header(4, 3, ":yCount 3.5\n");
    std::string nan_value = map_header(4, 3, ":xDelta NaN\n");
    std::string no_value = map_header(4, 3, ":xDelta\n");
    std::string long_line = map_header(4, 3, std::string(1000000, 'x') + "\n");
    const Case cases[] = {
        {no_end, "in file zelm.map line 16:", " Program aborted"},
        {bad_value, "in file zelm.map line 17: \"5x00\" is not a number", " Program aborted"},
        {bad_count, "in file zelm.map line 17: \"3.5\" is not a whole number", " Program aborted"},
        {nan_value, "line 17: \"NaN\" is not a number", " Program aborted"},
        {no_value, "in file zelm.map line 17", " Program aborted"},
        {"#a\n#b\n", "error on line 3 of file zelm.map", "Program aborted in ZEL @ 237"},
        {"ncols 4\n:endHeader\n", "in file zelm.map line 1", " Program aborted"},
        {std::string("\x7f\x45LF\0\x01\x02", 7), "in file zelm.map line 1", " Program aborted"},
        {"", "zelm.map", " Program aborted"},
    };
    for (const auto& c : cases) {
        MapRun s(c.text);
        Stop stop = expect_stop([&] { read_header(s); });
        EXPECT_EQ(stop.kind, StopKind::error);
        EXPECT_TRUE(mentions(stop, c.expected)) << c.expected;
        ASSERT_FALSE(stop.lines.empty());
        EXPECT_EQ(stop.lines.back(), c.last);
    }
    // A very long line that matches nothing is simply skipped.
    MapRun s(long_line);
    read_header(s);
    EXPECT_EQ(s.input.hdr.xcount, 4);
}

TEST(AllocateGrids, AllocatesEveryLayerAndAppliesDefaults) {
    MapRun s(map_header(4, 3, ":elevConversion 0\n"));
    read_header(s);
    allocate(s);
    const MapInput& g = s.input;
    EXPECT_EQ(g.elev.rows(), 3);
    EXPECT_EQ(g.elev.cols(), 4);
    EXPECT_EQ(g.fraction.size(), 12u);
    for (const auto* layer : {&g.dir, &g.river_class, &g.contours, &g.channels, &g.reach})
        EXPECT_EQ(layer->size(), 12u);
    EXPECT_FLOAT_EQ(g.hdr.aimpr, 100.0f);
    EXPECT_FLOAT_EQ(g.hdr.elvconv, 1.0f);
    auto out = s.lines();
    EXPECT_EQ(out[out.size() - 2], "before allocating area17");
    EXPECT_EQ(out.back(), "area17 allocated");
}

TEST(AllocateGrids, RefusesCountsThatCannotBeHeld) {
    MapRun zero(map_header(0, 3));
    read_header(zero);
    Stop stop = expect_stop([&] { allocate(zero); });
    EXPECT_EQ(stop.kind, StopKind::error);
    EXPECT_TRUE(has_line(stop, "in file zelm.map line 9: :xCount is 0"));
    EXPECT_TRUE(zero.input.elev.empty());

    MapRun negative(map_header(4, -2));
    read_header(negative);
    stop = expect_stop([&] { allocate(negative); });
    EXPECT_TRUE(has_line(stop, "in file zelm.map line 10: :yCount is -2"));

    MapRun huge(map_header(2000000000, 2000000000));
    read_header(huge);
    stop = expect_stop([&] { allocate(huge); });
    EXPECT_EQ(stop.kind, StopKind::error);
    EXPECT_EQ(stop.lines.back(), "**Allocation failed for area17 in zela l303**");
    EXPECT_TRUE(huge.input.elev.empty());

    // More classes than the watershed file can number are refused with the header.
    MapRun classes(map_header(1000, 1000, ":classCount 1e9\n"));
    stop = expect_stop([&] { read_header(classes); });
    EXPECT_EQ(stop.kind, StopKind::error);
    EXPECT_TRUE(has_line(stop, "The :classCount of 1000000000 in zelm.map is more than the "
                               "watershed file can hold (979 classes)"));
    MapRun most(map_header(2, 2, ":classCount 979\n"));
    read_header(most);
    EXPECT_EQ(most.input.hdr.ntype, 978);
}
