#include "network/fetch.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>

#include "test_support.hpp"

namespace {

enum { NE, E, SE, S, SW, W, NW, N };

// A grid of ny x nx squares, every square a cell (numbered row by row).
struct FetchCase {
    explicit FetchCase(int ny, int nx) : reach(ny, nx, 0) {
        net.rank.assign(ny, nx, 0);
        net.row.assign(1, 0);
        net.col.assign(1, 0);
        for (int i = 1; i <= ny; ++i)
            for (int j = 1; j <= nx; ++j) {
                net.row.push_back(i);
                net.col.push_back(j);
                net.rank(i, j) = ++net.na;
            }
        net.naa = net.na;
    }
    void fetch() { result = fetch_2d(reach, net, t.run); }
    float at(int d, int i, int j) const { return result[static_cast<std::size_t>(d)](i, j); }

    Grid<int> reach;
    Network net;
    Fetch result;
    zeltest::TestRun t;
};

// The walk as described: step out until the square leaves rows 2..ny-1 /
// columns 2..nx-1 or holds another reach number.
float walked(const Grid<int>& reach, int i, int j, int di, int dj, bool diagonal) {
    const int ny = reach.rows(), nx = reach.cols(), r = reach(i, j);
    int k = 0;
    for (;;) {
        int si = i + (k + 1) * di, sj = j + (k + 1) * dj;
        if (si < 2 || si > ny - 1 || sj < 2 || sj > nx - 1 || reach(si, sj) != r) break;
        ++k;
    }
    float kf = static_cast<float>(k);
    return diagonal ? std::sqrt(kf * kf + kf * kf) + 0.7f : kf + 0.5f;
}

}  // namespace

TEST(Fetch, SingleSquareLake) {
    FetchCase c(5, 5);
    c.reach(3, 3) = 4;
    c.fetch();
    EXPECT_EQ(c.t.console(), "reachcount= 4 in ftch\n");
    for (int d : {E, S, W, N}) EXPECT_FLOAT_EQ(c.at(d, 3, 3), 0.5f) << d;
    for (int d : {NE, SE, SW, NW}) EXPECT_FLOAT_EQ(c.at(d, 3, 3), 0.7f) << d;
    EXPECT_FLOAT_EQ(c.at(E, 3, 4), 0.f);  // not in a lake
}

TEST(Fetch, RunsStopAtOtherReachesAndAtTheBorderRowAndColumn) {
    FetchCase c(6, 8);
    auto& reach = c.reach;
    for (int j = 2; j <= 4; ++j) reach(3, j) = 1;  // three squares east-west
    reach(3, 5) = 2;                               // another lake next to it
    reach(3, 6) = 1;                               // same number beyond: not counted
    reach(2, 2) = 1;                               // diagonal neighbours
    reach(4, 3) = 1;
    reach(5, 4) = 1;
    reach(6, 5) = 1;                               // in the outermost row: never entered
    for (int j = 1; j <= 8; ++j) reach(1, j) = 7;  // south border row
    c.fetch();
    EXPECT_FLOAT_EQ(c.at(E, 3, 2), 2.5f);
    EXPECT_FLOAT_EQ(c.at(W, 3, 2), 0.5f);
    EXPECT_FLOAT_EQ(c.at(W, 3, 4), 2.5f);
    EXPECT_FLOAT_EQ(c.at(E, 3, 4), 0.5f);
    EXPECT_FLOAT_EQ(c.at(W, 3, 5), 0.5f);
    EXPECT_NEAR(c.at(NE, 3, 2), 2 * 1.41421f + 0.7f, 1e-5);  // (4,3), (5,4); (6,5) is border
    EXPECT_NEAR(c.at(SW, 3, 2), 0.7f, 1e-6);                 // (2,1) is in column 1
    EXPECT_NEAR(c.at(SW, 4, 3), 1.41421f + 0.7f, 1e-5);      // (3,2) then (2,1) border
    // A border square itself gets a fetch, but its walk never enters the border.
    EXPECT_FLOAT_EQ(c.at(E, 1, 3), 0.5f);
    EXPECT_FLOAT_EQ(c.at(N, 1, 3), 0.5f);
}

TEST(Fetch, NoReachesAndReceivingCells) {
    FetchCase c(4, 4);
    c.fetch();
    EXPECT_EQ(c.t.console(), "reachcount= 0 in ftch\n");
    for (int d = 0; d < 8; ++d)
        EXPECT_EQ(std::vector<float>(c.result[static_cast<std::size_t>(d)].values().begin(), c.result[static_cast<std::size_t>(d)].values().end()), std::vector<float>(16, 0.f));

    FetchCase r(4, 4);
    r.reach.fill(3);
    r.net.naa = 6;  // cells 7.. are receiving cells
    r.fetch();
    EXPECT_FLOAT_EQ(r.at(N, 2, 2), 1.5f);  // cell 6
    EXPECT_FLOAT_EQ(r.at(N, 2, 3), 0.f);   // cell 7
}

TEST(Fetch, MatchesTheWalkOnRandomLakes) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 20; ++trial) {
        const int ny = 3 + static_cast<int>(rng() % 20), nx = 3 + static_cast<int>(rng() % 20);
        FetchCase c(ny, nx);
        for (int& r : c.reach.values()) r = rng() % 4 == 0 ? 0 : 1 + rng() % 2;
        c.fetch();
        const int di[8] = {1, 0, -1, -1, -1, 0, 1, 1}, dj[8] = {1, 1, 1, 0, -1, -1, -1, 0};
        for (int i = 1; i <= ny; ++i)
            for (int j = 1; j <= nx; ++j)
                for (int d = 0; d < 8; ++d) {
                    float want = c.reach(i, j) > 0
                                     ? walked(c.reach, i, j, di[d], dj[d], d % 2 == 0)
                                     : 0.f;
                    ASSERT_FLOAT_EQ(c.at(d, i, j), want) << i << "," << j << " d" << d;
                }
    }
}

TEST(Fetch, LinearOnALargeLake) {
    FetchCase c(2000, 2000);
    c.reach.fill(1);
    auto t0 = std::chrono::steady_clock::now();
    c.fetch();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("fetch on 2000 x 2000 lake squares: %.3f s\n", s);
    EXPECT_LT(s, 5.0);                           // the walk from every square would take hours
    EXPECT_FLOAT_EQ(c.at(E, 1000, 2), 1997.5f);  // columns 3..1999
}
