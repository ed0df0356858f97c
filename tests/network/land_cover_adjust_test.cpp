#include "network/land_cover_adjust.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "basin_builder.hpp"
#include "common/free_format.hpp"
#include "common/stop.hpp"
#include "test_support.hpp"

namespace {

// One row of three squares, all cells; four classes: 1 crops, 2 wetland,
// 3 water, 4 urban (percent, as the map reader leaves them).
struct CoverCase {
    CoverCase() {
        map.class_names = {"crops", "wetland", "water", "urban"};
        net.rank.assign(1, 3, 0);
        net.da.assign(1, 3, 0.f);
        net.row = {0, 1, 1, 1};
        net.col = {0, 1, 2, 3};
        for (int j = 1; j <= 3; ++j) net.rank(1, j) = j;
        net.na = 3;
    }
    void set(int cls, std::initializer_list<float> percent) {
        int j = 1;
        for (float p : percent) map.classes[static_cast<std::size_t>(cls - 1)](1, j++) = p;
    }
    float at(int cls, int j) const { return cover.classes[static_cast<std::size_t>(cls - 1)](1, j); }
    void adjust() { cover = adjust_land_cover(map, reader, net, split_type, t.run); }
    bool said(const std::string& text) const { return t.console().find(text) != std::string::npos; }

    MapInput map = zeltest::BasinBuilder(1, 3, 1000.f, 4).map;  // impervious area 100 %
    Network net;
    TextReader reader{"", "zelm.map"};
    char split_type = '2';
    LandCover cover;
    zeltest::TestRun t;
};

}  // namespace

TEST(LandCoverAdjust, ImperviousShare) {
    CoverCase c;
    c.map.hdr.aimpr = 40;
    c.set(1, {20, 0, 10});
    c.set(4, {50, 100, 0});
    c.adjust();
    EXPECT_FLOAT_EQ(c.at(4, 1), 0.2f);
    EXPECT_FLOAT_EQ(c.at(1, 1), 0.5f);
    EXPECT_FLOAT_EQ(c.at(4, 2), 0.4f);
    EXPECT_FLOAT_EQ(c.at(1, 2), 0.6f);
    EXPECT_FLOAT_EQ(c.at(1, 3), 0.1f);
    EXPECT_TRUE(
        c.said("Note:    impervious area > 0 in the header\n"
               "60 % of the impervious class (urban)\n"
               "has been subtracted from class 4\nand added to class 1\n"
               "Class 1 should be a land cover compatible with\n"
               "the pervious areas in urban areas (eg. grass)\n"));

    CoverCase all;  // aimpr 100: all of the urban class stays impervious
    all.set(1, {20, 0, 0});
    all.set(4, {50, 0, 0});
    all.adjust();
    EXPECT_FLOAT_EQ(all.at(4, 1), 0.5f);
    EXPECT_FLOAT_EQ(all.at(1, 1), 0.2f);
    EXPECT_TRUE(all.said("\n0 % of the impervious class (urban)\n"));
}

TEST(LandCoverAdjust, WetlandSplitOptionOne) {
    CoverCase c;
    c.map.split = 0.5f;
    c.split_type = '1';
    c.set(2, {30, 1, 30});
    c.set(3, {10, 20, 30});
    c.set(4, {5, 6, 7});
    c.map.reach(1, 3) = 2;
    c.adjust();
    ASSERT_EQ(c.cover.ntype(), 4);
    ASSERT_EQ(c.cover.classes.size(), 5u);
    EXPECT_EQ(c.cover.class_names,
              (std::vector<std::string>{"crops", "wetland", "wetland", "water", "urban"}));
    EXPECT_FLOAT_EQ(c.at(2, 1), 0.15f);  // uncoupled
    EXPECT_FLOAT_EQ(c.at(3, 1), 0.15f);  // coupled
    EXPECT_FLOAT_EQ(c.at(2, 2), 0.01f);  // 0.5 x 0.01 < 1 %: not split
    EXPECT_FLOAT_EQ(c.at(3, 2), 0.f);
    EXPECT_FLOAT_EQ(c.at(3, 3), 0.f);  // a reach: the coupled part is water
    EXPECT_FLOAT_EQ(c.at(4, 3), 0.45f);
    EXPECT_FLOAT_EQ(c.at(4, 1), 0.1f);  // water and urban move up unchanged
    EXPECT_FLOAT_EQ(c.at(5, 2), 0.06f);
    EXPECT_TRUE(
        c.said("\nYou have entered 1\n\nThe value entered for \"split\" = 50\n"
               "Another land cover class was be added to the\nnew_shd.r2c file\n"));
    const std::string log = c.t.log();
    EXPECT_NE(log.find("Wetland stuff:\n1 1 1 0.5 0.15 0.15\n"), std::string::npos);
    EXPECT_NE(log.find("Wetland split now incorporated\nframe 1\n"), std::string::npos);
    EXPECT_NE(log.find("frame= 5 written to zel_info\n"), std::string::npos);
}

TEST(LandCoverAdjust, WetlandSplitOptionTwoAndBadOption) {
    CoverCase c;
    c.map.split = 0.2f;
    c.split_type = '7';
    c.set(2, {30, 10, 0});
    c.adjust();
    EXPECT_TRUE(
        c.said("You have entered 7\ninvaled answer\ndefault =2 assumed\n"
               "Hit enter to continue with this entry\n"));
    EXPECT_FLOAT_EQ(c.at(3, 1), 0.2f);
    EXPECT_NEAR(c.at(2, 1), 0.1f, 1e-6);
    EXPECT_FLOAT_EQ(c.at(3, 2), 0.1f);
    EXPECT_FLOAT_EQ(c.at(2, 2), 0.f);
}

TEST(LandCoverAdjust, SplitNeedsThreeClasses) {
    CoverCase c;
    c.map.hdr.ntype = 1;
    c.map.classes.resize(2);
    c.map.split = 0.2f;
    EXPECT_THROW(c.adjust(), Stop);
}

TEST(LandCoverAdjust, AllWaterSquaresWithoutReach) {
    CoverCase c;
    c.set(3, {100, 99.99f, 100});
    c.map.reach(1, 3) = 1;
    c.adjust();
    EXPECT_FLOAT_EQ(c.at(3, 1), 0.99f);
    EXPECT_FLOAT_EQ(c.at(1, 1), 0.01f);
    EXPECT_FLOAT_EQ(c.at(3, 2), 0.9999f);
    EXPECT_FLOAT_EQ(c.at(3, 3), 1.f);
    EXPECT_TRUE(
        c.said("A grid with 100% water has not been assigned \n"
               "a reach number. Program will crash if you try\nto use a resume file\n"
               "Hit enter to continue but you have been warned\ngrid,row,col 1 1 1\n"
               "1 grid(s) with 100% water has(ve)\n not been assigned \n"
               "a reach number(s). The water class has been changed\n"
               "99% and class 1 has been changed to 1%\n"
               "Hit enter to continue but you have been warned AGAIN!\n"));
    EXPECT_NE(c.t.log().find("if you try to use a resume file\ngrid,row,col 1 1 1\n"),
              std::string::npos);
}

TEST(LandCoverAdjust, BankfullDefaultAndBlock) {
    CoverCase c;
    c.net.da(1, 1) = 60.f;
    c.adjust();
    EXPECT_FLOAT_EQ(c.cover.bankfull(1, 1), 10.1f);
    EXPECT_FLOAT_EQ(c.cover.bankfull(1, 2), 0.1f);
    EXPECT_TRUE(c.said("ios= -1\n\n No bankfull values found\n Default assumed\n"));
    EXPECT_NE(c.t.log().find("passed line 1411\npassed line 1424\npassed line 1447\n"),
              std::string::npos);

    CoverCase b;
    b.map = zeltest::BasinBuilder(2, 1, 1000.f, 1).map;
    b.map.classes[0].fill(100.f);
    b.net.rank.assign(2, 1, 0);
    b.net.da.assign(2, 1, 6.f);
    b.net.na = 0;
    b.reader = TextReader("bankfull heading\n 7.5\n 2.5, 9\n", "zelm.map");
    b.adjust();
    EXPECT_FLOAT_EQ(b.cover.bankfull(2, 1), 7.5f);  // north row first
    EXPECT_FLOAT_EQ(b.cover.bankfull(1, 1), 2.5f);
    EXPECT_TRUE(
        b.said("bankfull heading\n\nBankfull values found & will be used\n"
               "Most people do not produce these values\nDid you?   Just checking.\n\n"
               "Hit enter to continue\n"));

    CoverCase bad;  // a broken block is not used at all
    bad.net.da.fill(6.f);
    bad.reader = TextReader("heading\n 1 2 x3\n", "zelm.map");
    bad.adjust();
    EXPECT_EQ(std::vector<float>(bad.cover.bankfull.values().begin(), bad.cover.bankfull.values().end()), std::vector<float>(3, 1.1f));
    EXPECT_TRUE(
        bad.said("ios= 1\nzelm.map line 2: the value \"x3\" in the bankfull block is "
                 "not a number\n\n No bankfull values found\n"));
}
