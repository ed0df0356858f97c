#include "network/dem_stats.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>

#include "common/stop.hpp"
#include "mapfile/map_input.hpp"
#include "test_support.hpp"

namespace {

class DemStatistics : public zeltest::StageTest {
  protected:
    void SetUp() override { set_model(2, 2, 10000.f); }
    void set_model(int ny, int nx, float delta) {
        hdr.ycount = ny;
        hdr.xcount = nx;
        hdr.xdelta = hdr.ydelta = delta;
    }
    void compute() { stats = dem_statistics(hdr, answer, run); }
    // A dem.r2s of ny x nx points; value(r, c) gives each point, row 1 south.
    template <class F>
    void write_dem(int ny, int nx, double x0, double y0, double d, F value) {
        std::ofstream f("dem.r2s");
        f << ":Projection UTM\n:Zone 14\n:Ellipsoid GRS80\n:xOrigin " << x0 << "\n:yOrigin " << y0
          << "\n:xCount " << nx << "\n:yCount " << ny << "\n:xDelta " << d << "\n:yDelta " << d
          << "\n:EndHeader\n";
        for (int r = 1; r <= ny; ++r) {
            for (int c = 1; c <= nx; ++c) f << ' ' << value(r, c);
            f << '\n';
        }
    }
    float mean(int i, int j) const { return stats->mean(i, j); }
    float max(int i, int j) const { return stats->max(i, j); }

    MapHeader hdr;
    char answer = 'y';
    std::optional<DemStats> stats;
};

}  // namespace

TEST_F(DemStatistics, OneKilometreDemOnTenKilometreGrid) {
    // Square (1,1): 1..100; square (1,2): first point no-data, the rest 200;
    // square (2,1): no-data only; square (2,2): 1000 with one point of 1500.
    write_dem(20, 20, 0, 0, 1000, [](int r, int c) -> double {
        if (r <= 10 && c <= 10) return (r - 1) * 10 + c;
        if (r <= 10) return r == 1 && c == 11 ? -9999 : 200;
        if (c <= 10) return -9999;
        return r == 15 && c == 15 ? 1500 : 1000;
    });
    compute();
    EXPECT_NE(out.str().find("\n10000 1000 10000 1000\nno points in the dem.r2s file: 121\n"),
              std::string::npos);
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->dem.xcount, 20);  // the header of dem.r2s
    EXPECT_FLOAT_EQ(stats->dem.xdelta, 1000.f);
    EXPECT_FLOAT_EQ(mean(1, 1), 50.5f);
    EXPECT_FLOAT_EQ(max(1, 1), 100.f);
    EXPECT_FLOAT_EQ(mean(1, 2), 200.f);  // 99 values of 200: the no-data point does not count
    EXPECT_FLOAT_EQ(mean(2, 1), 0.f);
    EXPECT_FLOAT_EQ(max(2, 1), -1000.f);
    EXPECT_FLOAT_EQ(mean(2, 2), 1005.f);
    EXPECT_FLOAT_EQ(max(2, 2), 1500.f);
    EXPECT_NE(out.str().find("doing row 2 / 20\ndoing row 4 / 20\n"), std::string::npos);
    EXPECT_NE(out.str().find("calculating means\nDone calculating mean elevations\n\n"),
              std::string::npos);
}

TEST_F(DemStatistics, PointsSouthWestAndBeyondTheGridAreIgnored) {
    set_model(1, 1, 2000.f);
    // 500 m points starting half a point south-west of the grid: the first row
    // and column lie outside (row and column 0), as do the points past the grid.
    write_dem(6, 6, -250, -250, 500, [](int r, int c) -> double {
        return r == 1 || c == 1 || r == 6 || c == 6 ? 9000 : 100;
    });
    compute();
    EXPECT_FLOAT_EQ(mean(1, 1), 100.f);
    EXPECT_FLOAT_EQ(max(1, 1), 100.f);
    // Fewer than 10 rows: every row is reported.
    EXPECT_NE(out.str().find("doing row 1 / 6\ndoing row 2 / 6\ndoing row 3 / 6\n"),
              std::string::npos);
}

TEST_F(DemStatistics, UnreachedSquaresAndNoOverlap) {
    write_dem(3, 3, 50000, 50000, 1000, [](int, int) { return 10.0; });
    compute();
    EXPECT_NE(out.str().find("No point of dem.r2s lies inside the model grid:"), std::string::npos);
    EXPECT_EQ(std::vector<float>(stats->mean.values().begin(), stats->mean.values().end()), std::vector<float>(4, 0.f));
    EXPECT_EQ(std::vector<float>(stats->max.values().begin(), stats->max.values().end()), std::vector<float>(4, -1000.f));
}

TEST_F(DemStatistics, NotAskedOrNoFile) {
    answer = 'Y';
    write_dem(2, 2, 0, 0, 1000, [](int, int) { return 1.0; });
    compute();
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(stats);

    answer = 'y';
    std::filesystem::remove("dem.r2s");
    compute();
    EXPECT_EQ(out.str(),
              "\nWARNING:\nThe file dem.r2s is NOT found\n"
              "so the elv_means.r2c file can not be created.\n"
              "The implication is that lapse rate computations will\n"
              "be based on the channel elevations and not the mean\ngrid elevations\n\n"
              "Program pause in zel @ 1017 - hit enter to continue\n");
    EXPECT_FALSE(stats);
}

TEST_F(DemStatistics, BadDemStops) {
    write_dem(3, 3, 0, 0, 1000, [](int r, int c) { return r == 2 && c == 2 ? "12a" : "5"; });
    const Stop s = zeltest::expect_stop([&] { compute(); });
    EXPECT_EQ(s.exit_status(), 1);
    ASSERT_FALSE(s.lines.empty());
    EXPECT_NE(s.lines.front().find("dem.r2s line 12: the value \"12a\""), std::string::npos);
    EXPECT_FALSE(stats);
}

// A 5000 x 5000 dem.r2s (about 200 MB); run with --gtest_also_run_disabled_tests.
TEST_F(DemStatistics, DISABLED_Speed5000) {
    set_model(50, 50, 10000.f);
    {
        std::FILE* f = std::fopen("dem.r2s", "wb");
        std::fputs(
            ":Projection UTM\n:xOrigin 0\n:yOrigin 0\n:xCount 5000\n:yCount 5000\n"
            ":xDelta 100\n:yDelta 100\n:EndHeader\n",
            f);
        std::string line;
        char buf[32];
        for (int r = 1; r <= 5000; ++r) {
            line.clear();
            for (int c = 1; c <= 5000; ++c) {
                int n = std::snprintf(buf, sizeof buf, " %d.%d", 100 + (r * 7 + c) % 3000, c % 10);
                line.append(buf, static_cast<std::size_t>(n));
            }
            line.push_back('\n');
            std::fwrite(line.data(), 1, line.size(), f);
        }
        std::fclose(f);
    }
    std::printf("dem.r2s: %.0f MB\n", std::filesystem::file_size("dem.r2s") / 1.0e6);
    auto t0 = std::chrono::steady_clock::now();
    std::clock_t c0 = std::clock();
    compute();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    std::printf("DEM statistics on 5000 x 5000 points: %.2f s (%.2f s CPU)\n", s, cpu);
    EXPECT_TRUE(stats);
}
