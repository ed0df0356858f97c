#include "mapfile/map_header.hpp"

#include "map_test_support.hpp"

TEST(MapHeader, ReadsEchoesAndConfirmsTheHeader) {
    std::string extra =
        ":Datum NAD83\n"
        ":Projection LatLong\n"
        ":classCount 9.7\n"
        ":xCountless 12\n"  // matched by its first seven characters
        ":EndHeader\n";     // not the end: the comparison is case-sensitive
    StageRun s(map_header(4, 3, extra) + "first block heading\n");
    s.run.answers.split_percent = 100;
    read_map_header(s.run, s.con);
    const MapHeader& h = s.run.hdr;
    EXPECT_TRUE(h.ensim);
    EXPECT_EQ(h.projection, "LATLONG");
    EXPECT_EQ(h.datum1, "NAD83");
    EXPECT_EQ(h.zone, "17");
    EXPECT_FLOAT_EQ(h.xorigin, 500000.0f);
    EXPECT_EQ(h.xcount, 12);
    EXPECT_EQ(h.ycount, 3);
    EXPECT_EQ(h.xcount_line, 20u);
    EXPECT_FLOAT_EQ(h.cintv, 10.0f);
    EXPECT_EQ(h.ntype, 8);
    EXPECT_FLOAT_EQ(s.run.split, 1.0f);
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
    ASSERT_TRUE(s.run.map.next_line(next));
    EXPECT_EQ(next, "first block heading");
}

TEST(MapHeader, ProjectionCheckStopsWithTheFieldShown) {
    std::string text = map_header(4, 3);
    text.replace(text.find(":Projection UTM"), 15, ":Projection GEO");
    StageRun s(text);
    Stop stop = expect_stop([&] { read_map_header(s.run, s.con); });
    EXPECT_EQ(stop.kind, StopKind::error);
    EXPECT_TRUE(has_line(stop, "format found is ***GEO       ***"));
    EXPECT_EQ(stop.lines.back(), "Program aborted @ 407");

    StageRun cart(map_header(4, 3, ":CoordSys Cartesian\n"));
    read_map_header(cart.run, cart.con);
    EXPECT_EQ(cart.run.hdr.projection, "CARTESIAN");
}

TEST(MapHeader, SplitOutsideItsRangeStops) {
    for (float split : {100.5f, -1.0f}) {
        StageRun s(map_header(4, 3));
        s.run.answers.split_percent = split;
        Stop stop = expect_stop([&] { read_map_header(s.run, s.con); });
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
        StageRun s(c.text);
        Stop stop = expect_stop([&] { read_map_header(s.run, s.con); });
        EXPECT_EQ(stop.kind, StopKind::error);
        EXPECT_TRUE(mentions(stop, c.expected)) << c.expected;
        ASSERT_FALSE(stop.lines.empty());
        EXPECT_EQ(stop.lines.back(), c.last);
    }
    // A very long line that matches nothing is simply skipped.
    StageRun s(long_line);
    read_map_header(s.run, s.con);
    EXPECT_EQ(s.run.hdr.xcount, 4);
}

TEST(AllocateGrids, AllocatesEveryLayerAndAppliesDefaults) {
    StageRun s(map_header(4, 3, ":elevConversion 0\n"));
    read_map_header(s.run, s.con);
    allocate_grids(s.run, s.con);
    const BasinGrid& g = s.run.grid;
    EXPECT_EQ(g.elev.rows(), 3);
    EXPECT_EQ(g.elev.cols(), 4);
    for (const auto* layer : {&g.frac, &g.bankfull, &g.da, &g.slope, &g.dem_max, &g.nca_fraction,
                              &g.fetch[0], &g.fetch[7]}) {
        EXPECT_EQ(layer->size(), 12u);
    }
    for (const auto* layer : {&g.dir, &g.rank, &g.next, &g.reach}) EXPECT_EQ(layer->size(), 12u);
    EXPECT_FLOAT_EQ(s.run.hdr.aimpr, 100.0f);
    EXPECT_FLOAT_EQ(s.run.hdr.elvconv, 1.0f);
    auto out = s.lines();
    EXPECT_EQ(out[out.size() - 2], "before allocating area17");
    EXPECT_EQ(out.back(), "area17 allocated");
}

TEST(AllocateGrids, RefusesCountsThatCannotBeHeld) {
    StageRun zero(map_header(0, 3));
    read_map_header(zero.run, zero.con);
    Stop stop = expect_stop([&] { allocate_grids(zero.run, zero.con); });
    EXPECT_EQ(stop.kind, StopKind::error);
    EXPECT_TRUE(has_line(stop, "in file zelm.map line 9: :xCount is 0"));
    EXPECT_TRUE(zero.run.grid.elev.empty());

    StageRun negative(map_header(4, -2));
    read_map_header(negative.run, negative.con);
    stop = expect_stop([&] { allocate_grids(negative.run, negative.con); });
    EXPECT_TRUE(has_line(stop, "in file zelm.map line 10: :yCount is -2"));

    StageRun huge(map_header(2000000000, 2000000000));
    read_map_header(huge.run, huge.con);
    stop = expect_stop([&] { allocate_grids(huge.run, huge.con); });
    EXPECT_EQ(stop.kind, StopKind::error);
    EXPECT_EQ(stop.lines.back(), "**Allocation failed for area17 in zela l303**");
    EXPECT_TRUE(huge.run.grid.elev.empty());

    // More classes than the watershed file can number are refused with the header.
    StageRun classes(map_header(1000, 1000, ":classCount 1e9\n"));
    stop = expect_stop([&] { read_map_header(classes.run, classes.con); });
    EXPECT_EQ(stop.kind, StopKind::error);
    EXPECT_TRUE(has_line(stop, "The :classCount of 1000000000 in zelm.map is more than the "
                               "watershed file can hold (979 classes)"));
    StageRun most(map_header(2, 2, ":classCount 979\n"));
    read_map_header(most.run, most.con);
    EXPECT_EQ(most.run.hdr.ntype, 978);
}
