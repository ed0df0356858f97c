#include "mapfile/land_cover.hpp"

#include "basin_builder.hpp"
#include "mapfile/map_header.hpp"
#include "test_support.hpp"

using zeltest::expect_stop;
using zeltest::has_line;
using zeltest::mentions;
using zeltest::MapRun;

namespace {

const char* kClasses =
    "forest\n"
    "1 2 3 4\n5 6 7 8\n9 10 11 12\n"
    "'open land' rest of the line\n"
    "10 10 10 10\n10 10 10 10\n10 10 10 10\n"
    "wetland\n"
    "20 20 20 20\n20 20 20 20\n20 20 20 20\n"
    "impervious\n"
    "0 0 0 5\n0 0 0 0\n0 0 0 0\n"
    "bankfull\n";

// A 4 x 3 map of `count` classes up to its class names: the header, then `classes`.
std::string classes_map(const std::string& classes = kClasses, const std::string& count = "4") {
    const std::string text = zeltest::BasinBuilder(3, 4).map_text();
    return text.substr(0, text.find(":endHeader\n")) + ":classCount " + count + "\n:endHeader\n" +
           classes;
}

// Read the header, then the classes.
void read_classes(MapRun& s) {
    read_map_header(s.map, 0, s.input, s.run);
    allocate_grids(s.map, s.input, s.run);
    read_classes_and_combine(s.map, s.input, s.run);
}

}  // namespace

TEST(LandCover, ReadsNamesAndBlocksWithoutACombinationFile) {
    zeltest::WorkFolder folder;
    MapRun s(classes_map());
    read_classes(s);
    const MapInput& g = s.input;
    EXPECT_EQ(g.hdr.ntype, 3);
    ASSERT_EQ(g.classes.size(), 4u);
    EXPECT_EQ(g.class_names,
              (std::vector<std::string>{"forest", "open land", "wetland", "impervious"}));
    EXPECT_FLOAT_EQ(g.classes[0](3, 1), 1.0f);  // north row first
    EXPECT_FLOAT_EQ(g.classes[0](1, 4), 12.0f);
    EXPECT_FLOAT_EQ(g.classes[3](3, 4), 5.0f);
    EXPECT_TRUE(s.said("map file class name: 2 open land"));
    EXPECT_TRUE(s.said("Finished reading the class list in the map file"));
    auto out = s.lines();
    std::vector<std::string> end(out.end() - 6, out.end());
    EXPECT_EQ(end, (std::vector<std::string>{
                       "please check this table carefully",
                       "Make sure the numbers march up with the table in the ",
                       "class_combine.csv file", "Warning: / are read as commas so change to _",
                       "********************************************", "waiting....."}));
    std::string log = s.log();
    EXPECT_NE(
        log.find(" class # read:  4   impervious\n  pos  row | 1 2 3 4\n    1    3 | 0 0 0 5\n"),
        std::string::npos)
        << log;
    EXPECT_NE(log.find("map file read in\nmap file read in\nmap file read in\n"),
              std::string::npos);
    // The bankfull block that follows is left for its own stage.
    std::string_view next;
    ASSERT_TRUE(s.map.next_line(next));
    EXPECT_EQ(next, "bankfull");
}

TEST(LandCover, FewerThanTwoClassesMakeEverySquareClassOne) {
    zeltest::WorkFolder folder;
    MapRun s(classes_map("next block\n", "1"));
    read_classes(s);
    EXPECT_EQ(s.input.hdr.ntype, 1);
    ASSERT_EQ(s.input.classes.size(), 2u);
    EXPECT_FLOAT_EQ(s.input.classes[0](2, 3), 100.0f);
    EXPECT_FLOAT_EQ(s.input.classes[1](2, 3), 0.0f);
    std::string_view next;
    ASSERT_TRUE(s.map.next_line(next));
    EXPECT_EQ(next, "next block");
}

TEST(LandCover, PrematureEndAndBadRowsStop) {
    zeltest::WorkFolder folder;
    MapRun early(classes_map("forest\n1 2 3 4\n5 6 7 8\n9 10 11 12\n\n"));
    Stop stop = expect_stop([&] { read_classes(early); });
    EXPECT_EQ(stop.kind, StopKind::error);
    EXPECT_TRUE(has_line(stop, "premature end of file found in map file"));
    EXPECT_TRUE(has_line(stop, "looking for class no. 2"));
    EXPECT_TRUE(has_line(stop, "no classes found = 1"));
    EXPECT_TRUE(has_line(stop, "classcount in the map file header = 4"));
    EXPECT_TRUE(mentions(stop, "in file zelm.map line"));
    EXPECT_EQ(stop.lines.back(), "Program aborted in zel @ 1293");

    MapRun bad(classes_map("forest\n1 2 3 4\n5 6.5 7 8\n"));
    stop = expect_stop([&] { read_classes(bad); });
    EXPECT_EQ(stop.lines,
              (std::vector<std::string>{
                  " Problems reading the class % on line 2 in class= forest", "",
                  "in file zelm.map line 21: \"6.5\" is not a whole number", " Program aborted"}));
}

TEST(LandCover, Version1TableSumsClassesAndSkipsUnreadableLines) {
    zeltest::WorkFolder folder;
    folder.write("class_combine.txt",
                 "1 1 natural\n2 1 natural\nbad line here\n3,1,natural\n\n4 2 urban\n");
    MapRun s(classes_map());
    read_classes(s);
    const MapInput& g = s.input;
    EXPECT_EQ(g.hdr.ntype, 1);
    ASSERT_EQ(g.classes.size(), 2u);
    EXPECT_EQ(g.class_names, (std::vector<std::string>{"natural", "urban"}));
    EXPECT_FLOAT_EQ(g.classes[0](3, 1), 31.0f);  // 1 + 10 + 20
    EXPECT_FLOAT_EQ(g.classes[0](1, 4), 42.0f);  // 12 + 10 + 20
    EXPECT_FLOAT_EQ(g.classes[1](3, 4), 5.0f);
    EXPECT_TRUE(s.said("Version 1 of the class_combine file found"));
    EXPECT_TRUE(s.said("classes found = 4 new_class_count= 2"));
    EXPECT_TRUE(s.said("1 lines of class_combine.txt could not be read and were skipped"));
    EXPECT_TRUE(s.said("4 2 urban"));
    EXPECT_NE(s.log().find("line 3 cannot be read and is skipped"), std::string::npos);
    EXPECT_NE(s.log().find("There will be 2 classes in the shd file"), std::string::npos);
}

TEST(LandCover, Version2TableWinsAndMaySizeBeyondTheMapsClasses) {
    zeltest::WorkFolder folder;
    folder.write("class_combine.txt", "1 1 never\n");
    folder.write("class_combine.csv",
                 "version,2\n"
                 "old_name,new_name,old_no,new_no,name\n"
                 "forest,trees,1,1,trees\n"
                 "open,grass,2,5,grass\n"
                 "imp,urban,0,2,urban\n");
    MapRun s(classes_map());
    read_classes(s);
    const MapInput& g = s.input;
    EXPECT_TRUE(s.said("Version 2 of the class_combine file found"));
    EXPECT_FALSE(s.said("Version 1 of the class_combine file found"));
    EXPECT_TRUE(s.said("classes found = 3 new_class_count= 5"));
    EXPECT_EQ(g.hdr.ntype, 4);
    ASSERT_EQ(g.classes.size(), 5u);
    EXPECT_EQ(g.class_names, (std::vector<std::string>{"trees", "urban", "", "", "grass"}));
    EXPECT_FLOAT_EQ(g.classes[0](2, 2), 6.0f);
    EXPECT_FLOAT_EQ(g.classes[4](2, 2), 10.0f);
    EXPECT_FLOAT_EQ(g.classes[1](2, 2), 0.0f);  // fed only by old class 0
}

TEST(LandCover, BrokenCombinationTablesStop) {
    struct Case {
        const char* file;
        std::string text;
        std::string expected;
        std::string last;
    };
    const Case cases[] = {
        {"class_combine.csv", "version,2\nheading\ndense forest,trees,1,1,trees\n",
         "Check there are no blanks in the names", "ZEL.exe aborted at 1169"},
        {"class_combine.csv", "version,1\nheading\n1,1,a,b,c\n", "class_combine.csv is version 1",
         " Program aborted"},
        {"class_combine.csv", "version,two\n", "Error on first line of the class_combine.csv file",
         "Progran aborted in zel @ 1410"},
        {"class_combine.csv", "version,2\n", "Error on 2nd line of the class_combine.csv file",
         "Progran aborted in zel @ 1416"},
        {"class_combine.txt", "1 1 a\n5 2 b\n", "old class 5 (the map file has 4 classes)",
         " Program aborted"},
        {"class_combine.txt", "1 0 a\n", "new class 0", " Program aborted"},
        {"class_combine.txt", "nothing readable\n", "holds no class records", " Program aborted"},
    };
    for (const auto& c : cases) {
        zeltest::WorkFolder folder;
        folder.write(c.file, c.text);
        MapRun s(classes_map());
        read_map_header(s.map, 0, s.input, s.run);
        allocate_grids(s.map, s.input, s.run);
        Stop stop = expect_stop([&] { read_classes_and_combine(s.map, s.input, s.run); });
        EXPECT_EQ(stop.kind, StopKind::error);
        EXPECT_TRUE(mentions(stop, c.expected)) << c.expected;
        ASSERT_FALSE(stop.lines.empty());
        EXPECT_EQ(stop.lines.back(), c.last);
        EXPECT_EQ(s.input.hdr.ntype, 3);
    }
}
