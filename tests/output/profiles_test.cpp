#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "basin_builder.hpp"
#include "common/stop.hpp"
#include "output/outputs.hpp"
#include "test_support.hpp"

namespace {

using zeltest::lines_of;

// Main stem 1 -> 3 -> 5 -> 7 -> 8 -> 9 (receiving); branch 2 -> 4 -> 5; 6 -> 8.
// The watershed's outlet is the receiving cell 9.
class Profiles : public ::testing::Test {
  protected:
    void SetUp() override {
        p.set_cells(zeltest::stem_cells(), 1);
        Grid<int>& reach = p.basin.map.reach;
        reach(4, 2) = reach(4, 3) = 2;
        reach(2, 2) = reach(2, 3) = 1;
        reach(3, 3) = reach(3, 4) = reach(3, 5) = reach(4, 5) = 3;
    }
    RiverProfiles write() {
        RiverProfiles made = write_profiles(p.written(), t.run);
        t.publish();
        return made;
    }
    Stop run_expecting_stop() {
        return zeltest::expect_stop([&] { write(); });
    }

    zeltest::WorkFolder folder;
    zeltest::TestRun t;
    zeltest::WrittenProducts p{zeltest::BasinBuilder(5, 6)};
};

TEST_F(Profiles, ReachEndsAndProfilesOfTheWholeBasin) {
    write();
    EXPECT_EQ(lines_of("1D_reach_locations.xyz"),
              (std::vector<std::string>{"2500.000 1500.000 1", "2500.000 3500.000 2",
                                        "4500.000 2500.000 3"}));
    // Cells 1 and 2 both have 5 steps to the outlet: the lower one, 2, wins.
    const std::vector<std::string> main{
        "1500.000 1500.000 1 5000 80", "2500.000 1500.000 1 4000 60",
        "2500.000 2500.000 1 3000 50", "3500.000 2500.000 1 2000 30",
        "4500.000 2500.000 1 1000 20"};
    EXPECT_EQ(lines_of("profil01.dat"), main);
    EXPECT_EQ(lines_of("river01.xyz"), main);
    EXPECT_EQ(lines_of("profil02.dat"),
              (std::vector<std::string>{"1500.000 3500.000 2 5000 90",
                                        "2500.000 3500.000 2 4000 70"}));
    EXPECT_EQ(lines_of("river03.xyz"),
              (std::vector<std::string>{"4500.000 3500.000 3 2000 40"}));
    for (const char* empty : {"profil04.dat", "river10.xyz"}) {
        EXPECT_TRUE(std::filesystem::exists(empty)) << empty;
        EXPECT_EQ(std::filesystem::file_size(empty), 0u) << empty;
    }
    EXPECT_TRUE(t.said("finished writing profil10.dat"));
    EXPECT_TRUE(t.said("finished writing river10.xyz"));
}

TEST_F(Profiles, ExtractedWatershedEndsAtItsReceivingCell) {
    // An outlet above cell 8: the basin's receiving cell 9 went and 8, a
    // basin cell before, receives. Cells 7 and 6 both join the river there.
    p.basin.answers.outlets = {7};
    p.shed.lastgrid = {8};
    p.shed.rank(3, 6) = 0;
    p.shed.next(3, 5) = 0;
    p.shed.next(3, 4) = 8;
    p.shed.cells = 8;
    p.shed.receiving = 1;
    p.shed.old_number = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    p.net.areas.al = 1000.125f;  // not a whole number: equal chainages must stay equal
    write();
    // 1 and 2 both lie four steps up: the first found from the outlet up, 2, wins.
    EXPECT_EQ(lines_of("profil01.dat"),
              (std::vector<std::string>{"1500.000 1500.000 1 4000.5 80", "2500.000 1500.000 1 3000.375 60",
                                        "2500.000 2500.000 1 2000.25 50", "3500.000 2500.000 1 1000.125 30",
                                        "4500.000 2500.000 1 0 20"}));
    EXPECT_EQ(lines_of("profil02.dat").size(), 2u);  // cells 1 and 3
    EXPECT_EQ(lines_of("river03.xyz"), (std::vector<std::string>{"4500.000 3500.000 3 1000.125 40"}));
}

TEST_F(Profiles, SeveralChosenOutletsWriteReachesButNoProfiles) {
    p.basin.answers.outlets = {3, 4};
    p.shed.lastgrid = {5, 9};
    p.shed.receiving = 2;
    write();
    EXPECT_FALSE(lines_of("1D_reach_locations.xyz").empty());
    EXPECT_FALSE(std::filesystem::exists("profil01.dat"));
    EXPECT_TRUE(t.said("River profiles are made for a single outlet only: 2 outlets were chosen"));
}

TEST_F(Profiles, MoreReceivingCellsThanOutletsEndsEarly) {
    p.net.naa = 7;  // two receiving cells, one outlet
    p.shed.receiving = 2;
    const RiverProfiles made = write();
    EXPECT_TRUE(made.more_outlets_than_one);  // the driver's "Normal ending @ 3807"
    EXPECT_TRUE(made.profiles.empty());
    EXPECT_TRUE(t.said("There is more than one outlet"));
    EXPECT_TRUE(t.said("so river profiles are not computed"));
    EXPECT_TRUE(std::filesystem::exists("1D_reach_locations.xyz"));
    EXPECT_EQ(std::filesystem::file_size("1D_reach_locations.xyz"), 0u);
    EXPECT_FALSE(std::filesystem::exists("profil01.dat"));
}

TEST_F(Profiles, SecondCellIntoTheReceivingCellIsABrokenWalk) {
    p.shed.next(4, 5) = 9;  // cell 6 drains straight into the receiving cell
    Stop s = run_expecting_stop();
    EXPECT_EQ(s.lines.back(), "Program ended in zel @ 2953");
    EXPECT_EQ(s.exit_status(), 1);
    EXPECT_TRUE(t.said("grid no 9 row 3 column 6"));
    EXPECT_TRUE(t.said("More than one grid drains into the very last grid"));
    EXPECT_TRUE(t.said("new_shd.r2c and new_format.shd have been written"));
    // The main profile was finished, but a run that stops on an error
    // publishes nothing: the folder stays as it was.
    EXPECT_FALSE(std::filesystem::exists("profil01.dat"));
}

TEST_F(Profiles, LinksOutOfRangeOrUpstreamEndAsABrokenWalk) {
    p.shed.next(4, 3) = 2;  // cell 3 points upstream: a loop
    Stop s = run_expecting_stop();
    EXPECT_EQ(s.lines.back(), "Program ended in zel @ 2953");
    EXPECT_TRUE(t.said("grid no 3 row 4 column 3"));

    t.out.str("");
    p.shed.next(4, 3) = 5;
    p.shed.next(3, 4) = 500;  // cell 7 points outside the cells
    s = run_expecting_stop();
    EXPECT_EQ(s.lines.back(), "Program ended in zel @ 2953");
    EXPECT_TRUE(t.said("grid no 7 row 3 column 4"));
}

}  // namespace

namespace {

// The profiles as the plain walks describe them: chainage, main stem, then
// for each side profile a walk from every unmarked cell down to a marked one.
std::vector<int> marks_by_plain_walks(const std::vector<int>& next, int naa, float al) {
    const int na = static_cast<int>(next.size()) - 1;
    std::vector<float> chain(next.size(), 0.0f);
    std::vector<int> mark(next.size(), 0);
    float best = 0;
    int top = 0;
    for (int n = naa; n >= 1; --n) {
        if (next[n] == 0) continue;
        chain[n] = al + chain[next[n]];
        if (best < chain[n]) {
            best = chain[n];
            top = n;
        }
    }
    for (int n = top; n >= 1 && n <= naa; n = next[n]) mark[n] = 1;
    for (int p = 2; p <= 10; ++p) {
        long long longest = 0;
        int start = 0;
        for (int n = 1; n <= naa; ++n) {
            if (mark[n] != 0) continue;
            long long length = static_cast<long long>(al);
            int m = n;
            do {
                m = next[m];
                length = static_cast<long long>(static_cast<float>(length) + al);
            } while (m >= 1 && m <= na && mark[m] == 0);
            if (length > longest) {
                longest = length;
                start = n;
            }
        }
        for (int m = start; m >= 1 && mark[m] == 0; m = next[m]) mark[m] = p;
    }
    return mark;
}

class RandomNetworks : public ::testing::Test {
  protected:
    zeltest::WorkFolder folder;
    zeltest::TestRun t;
};

TEST_F(RandomNetworks, OnePassSearchMatchesThePlainWalks) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::srand(seed);
        const int side = 12, na = 120;
        zeltest::WrittenProducts fresh{zeltest::BasinBuilder(side, side)};
        fresh.net.areas.al = seed % 2 ? 1000.0f : 1234.567f;
        std::vector<zeltest::CellSpec> cells;
        std::vector<int> next(static_cast<std::size_t>(na) + 1, 0);
        for (int k = 1; k <= na; ++k) {
            // Only cell na - 1 drains into the receiving cell na.
            int to = 0;
            if (k == na - 1)
                to = na;
            else if (k < na - 1)
                to = k + 1 + std::rand() % std::min(4, na - 1 - k);
            next[static_cast<std::size_t>(k)] = to;
            cells.push_back({(k - 1) / side + 1, (k - 1) % side + 1, to});
        }
        fresh.set_cells(cells, 1);
        write_profiles(fresh.written(), t.run);
        t.publish();

        const std::vector<int> expected = marks_by_plain_walks(next, na - 1, fresh.net.areas.al);
        std::vector<int> got(static_cast<std::size_t>(na) + 1, 0);
        for (int p = 1; p <= 10; ++p) {
            char name[16];
            std::snprintf(name, sizeof name, "river%02d.xyz", p);
            for (const std::string& line : lines_of(name)) {
                std::istringstream fields(line);
                double x, y;
                fields >> x >> y;
                const int col = static_cast<int>(x / 1000 + 0.5),
                          row = static_cast<int>(y / 1000 + 0.5);
                got[static_cast<std::size_t>(fresh.shed.rank(row, col))] = p;
            }
        }
        EXPECT_EQ(got, expected) << "seed " << seed;
    }
}

}  // namespace
