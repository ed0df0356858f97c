#include <gtest/gtest.h>

#include "common/grid.hpp"

TEST(Grid, IsOneBasedRowMajorWithSouthRowFirst) {
    Grid<int> g(3, 4, 7);
    EXPECT_EQ(g.rows(), 3);
    EXPECT_EQ(g.cols(), 4);
    g(1, 1) = 1;
    g(1, 4) = 2;
    g(3, 4) = 3;
    EXPECT_EQ(g.values()[0], 1);
    EXPECT_EQ(g.values()[3], 2);
    EXPECT_EQ(g.values()[11], 3);
    EXPECT_EQ(g.row_data(2)[0], 7);
}

TEST(Grid, AtOrNeverReadsOutside) {
    Grid<float> g(2, 2, 1.5f);
    EXPECT_EQ(g.at_or(0, 1, -1.f), -1.f);
    EXPECT_EQ(g.at_or(3, 1, -1.f), -1.f);
    EXPECT_EQ(g.at_or(1, 3, -1.f), -1.f);
    EXPECT_EQ(g.at_or(2, 2, -1.f), 1.5f);
    EXPECT_FALSE(g.inside(1, 0));
}
