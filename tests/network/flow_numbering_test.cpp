#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "basin_builder.hpp"
#include "network/flow_internal.hpp"
#include "network/flow_network.hpp"
#include "test_support.hpp"

namespace {

// The numbering loop as described: find the largest value left (strictly
// greater than the best so far, starting from 0), then number every square
// holding exactly that value, south row first and west to east, and clear it.
Grid<int> numbered_by_repeated_search(const Grid<float>& elev) {
    Grid<float> work = elev;
    Grid<int> rank(elev.rows(), elev.cols());
    int n = 0;
    for (;;) {
        float best = 0;
        for (int i = 1; i <= work.rows(); ++i)
            for (int j = 1; j <= work.cols(); ++j)
                if (work(i, j) > best) best = work(i, j);
        if (best == 0) break;
        for (int i = 1; i <= work.rows(); ++i)
            for (int j = 1; j <= work.cols(); ++j)
                if (work(i, j) == best) {
                    rank(i, j) = ++n;
                    work(i, j) = 0;
                }
    }
    return rank;
}

TEST(FlowNumbering, SortMatchesTheRepeatedSearchOnGridsWithManyTies) {
    std::mt19937 rng(20150623);
    const float levels[] = {-2.0f, 0.0f, 0.5f, 1.0f, 1.0f, 2.25f, 3.0f, 3.0f, 1.0e-30f, 7.0f};
    for (int trial = 0; trial < 300; ++trial) {
        const int rows = 1 + static_cast<int>(rng() % 9), cols = 1 + static_cast<int>(rng() % 9);
        zeltest::BasinBuilder b(rows, cols, 100);
        MapInput& map = b.map;
        for (auto& v : map.elev.values()) v = levels[rng() % std::size(levels)];
        for (auto& v : map.fraction.values()) v = static_cast<float>(rng() % 3) * 0.5f;
        for (auto& v : map.dir.values()) v = static_cast<int>(rng() % 11) - 1;
        const Grid<int> expected = numbered_by_repeated_search(map.elev);

        zeltest::TestRun t;
        const Network net = number_cells(map, compute_cell_areas(map.hdr, map.fraction), {}, t.run);
        ASSERT_EQ(net.rank.values(), expected.values()) << "trial " << trial;
        int receiving = 0;
        for (int n = 1; n <= net.na; ++n) {
            const int i = net.row[n], j = net.col[n];
            ASSERT_EQ(expected(i, j), n);
            receiving += net.areas.frac(i, j) <= 0;
        }
        ASSERT_EQ(net.na, net.na == 0 ? 0 : *std::max_element(expected.values().begin(), expected.values().end()));
        ASSERT_EQ(net.naa, net.na - receiving);
    }
}

TEST(FlowNumbering, EqualElevationsAreExactNotWithinATolerance) {
    Grid<float> elev(1, 3);
    elev(1, 1) = 1.0f;
    elev(1, 2) = std::nextafter(1.0f, 2.0f);
    elev(1, 3) = 1.0f;
    const auto order = flow::numbering_order(elev);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0], 1u);
    EXPECT_EQ(order[1], 0u);
    EXPECT_EQ(order[2], 2u);
}

}  // namespace
