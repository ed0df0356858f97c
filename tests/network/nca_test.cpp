#include "network/nca.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_support.hpp"

namespace {

class Nca : public zeltest::StageTest {
  protected:
    void SetUp() override {
        run.hdr.ycount = run.hdr.xcount = 2;
        run.hdr.xdelta = run.hdr.ydelta = 1000.f;
        run.grid.frac.assign(2, 2, 1.0e6f);
        run.grid.frac(2, 2) = 0.f;  // a receiving cell
        run.answers.adjust_nca = 'y';
        run.answers.nca_choice = 1;
        run.answers.nca_choice1 = true;
        run.answers.nca_fraction = 0.5f;
        run.fln[201] = "nca.r2s";
    }
    // 10 rows x 20 columns of 100 m pixels from (-50, -50): with the north-east
    // corner rule the first 10 columns fall in square (1,1), the rest in (1,2).
    // Square (1,1) holds 30 pixels of 1; square (2,*) is not covered.
    static std::string raster(const std::string& header) {
        std::string text = header;
        for (int j = 1; j <= 10; ++j) {
            for (int k = 1; k <= 20; ++k) text += k <= 10 && j <= 3 ? " 1" : k <= 10 ? " 0" : " 2";
            text += "\n";
        }
        return text;
    }
    std::string stop_text() {
        return zeltest::stop_text([&] { non_contributing_areas(run, con); });
    }
};

// Keywords in another order than the usual layout, with extra lines.
const std::string kHeader =
    "########################################\n"
    ":FileType r2s  ASCII  EnSim 1.0\n"
    "# written by hand\n"
    ":CoordSys UTM\n:Zone 14\n:Ellipsoid NAD83\n"
    ":xCount 20\n:yCount 10\n:xDelta 100\n:yDelta 100\n"
    ":AttributeName 1 nca\n"
    ":xOrigin -50\n:yOrigin -50\n"
    ":EndHeader\n";

}  // namespace

TEST_F(Nca, ThirtyPercentSquareAndContributingArea) {
    folder.write("nca.r2s", raster(kHeader));
    non_contributing_areas(run, con);
    const Grid<float>& f = run.grid.nca_fraction;
    EXPECT_FLOAT_EQ(f(1, 1), 0.3f);
    EXPECT_FLOAT_EQ(f(1, 2), 0.f);
    EXPECT_FLOAT_EQ(f(2, 1), 0.f);
    EXPECT_TRUE(run.nca_in_use);
    EXPECT_TRUE(run.nca_grid_held);
    const Grid<float>& c = run.grid.contrib_area;
    EXPECT_NEAR(c(1, 1), 850000.f, 0.1f);
    EXPECT_FLOAT_EQ(c(1, 2), 1.0e6f);  // not covered: full area
    EXPECT_FLOAT_EQ(c(2, 2), 1.0f);    // never below 1 m2

    std::string text = out.str();
    EXPECT_EQ(text.find("********************************************************\n"
                        "*                                                      *\n"
                        "*                  TALVIREN (TM)                       *\n"
                        "*                                                      *\n"
                        "*           Subroutine non_ca   June 9, 2011           *\n"
                        "*               Revised  Jan. 21, 2015                 *\n"),
              0u);
    EXPECT_NE(text.find("nca.r2s file found\nnon-contributing areas will be subtracted from frac "
                        "for\nfor each cell\n"),
              std::string::npos);
    EXPECT_NE(text.find("Grid extents of non-contributing areas:\nxorigin_nca -50\neastlimit "
                        "1950\nyorigin_nca -50\nnorthlimit 950\n counting pixels \n"),
              std::string::npos);
    EXPECT_NE(text.find(" calculating the nca on each cell \n writing the nca.xyz file \n"
                        "nca.xyx written\n\n done computing non contributing areas\n"),
              std::string::npos);

    std::ifstream xyz("nca.xyz");
    std::vector<std::string> lines;
    for (std::string l; std::getline(xyz, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], " 500 500 0.3");
    EXPECT_EQ(lines[1], " 1500 500 0");
    EXPECT_EQ(lines[2], " 500 1500 0");
}

TEST_F(Nca, CornerJustWestOfTheGridCountsInColumnOne) {
    folder.write("nca.r2s",
                 ":Projection UTM\n:xOrigin -200\n:yOrigin 0\n:xCount 1\n:yCount 1\n"
                 ":xDelta 100\n:yDelta 100\n:EndHeader\n1\n");
    non_contributing_areas(run, con);
    EXPECT_FLOAT_EQ(run.grid.nca_fraction(1, 1), 1.f);
    EXPECT_FLOAT_EQ(run.grid.contrib_area(1, 1), 500000.f);
}

TEST_F(Nca, ChoiceTwoKeepsTheGridWithoutAdjusting) {
    folder.write("nca.r2s", raster(kHeader));
    run.answers.nca_choice = 2;
    run.answers.nca_choice1 = false;
    run.answers.nca_fraction = 1.f;
    non_contributing_areas(run, con);
    EXPECT_FALSE(run.nca_in_use);
    EXPECT_TRUE(run.nca_grid_held);
    EXPECT_FLOAT_EQ(run.grid.nca_fraction(1, 1), 0.3f);
    EXPECT_TRUE(run.grid.contrib_area.empty());
}

TEST_F(Nca, NotWantedOrNoFile) {
    folder.write("nca.r2s", raster(kHeader));
    run.answers.adjust_nca = 'n';
    run.nca_in_use = true;
    non_contributing_areas(run, con);
    EXPECT_EQ(out.str(),
              "frac will NOT be adjusted for nca\n"
              "but the class areas may be depending on your answer\n");
    EXPECT_FALSE(run.nca_in_use);
    EXPECT_FALSE(std::filesystem::exists("nca.xyz"));

    std::filesystem::remove("nca.r2s");
    out.str("");
    run.answers.adjust_nca = 'y';
    non_contributing_areas(run, con);
    EXPECT_EQ(out.str().size(), 9 * 57u);  // the banner alone
    EXPECT_FALSE(run.nca_in_use);
    EXPECT_FALSE(run.nca_grid_held);
}

TEST_F(Nca, RasterOutsideTheGridIsNotAnError) {
    folder.write("nca.r2s",
                 ":Projection UTM\n:xOrigin 90000\n:yOrigin 0\n:xCount 2\n:yCount 1\n"
                 ":xDelta 100\n:yDelta 100\n:EndHeader\n1 1\n");
    non_contributing_areas(run, con);
    EXPECT_NE(out.str().find("No pixel of nca.r2s lies inside the model grid:"), std::string::npos);
    EXPECT_EQ(run.grid.nca_fraction.values(), std::vector<float>(4, 0.f));
}

TEST_F(Nca, BadFilesStop) {
    folder.write("nca.r2s", ":Projection GEODETIC\n:xOrigin 0\n:EndHeader\n");
    EXPECT_EQ(stop_text(), "Program aborted in non_da@ 89\n");
    EXPECT_NE(out.str().find(" Valid format (UTM, CARTESIAN, or LATLONG) not found\n"
                             "coordsys found= GEODETIC\n"),
              std::string::npos);

    const std::string head =
        ":Projection UTM\n:xOrigin 0\n:yOrigin 0\n:xCount 2\n:yCount 3\n:xDelta 100\n";
    folder.write("nca.r2s", head + ":yDelta 100\n:EndHeader\n1 0\n0 1\n");
    EXPECT_NE(stop_text().find("nca.r2s: the data end at line 10, in row 3 of 3"),
              std::string::npos);

    folder.write("nca.r2s", head + ":yDelta 100\n:EndHeader\n1 0\n0 one\n1 1\n");
    EXPECT_NE(stop_text().find("nca.r2s line 10: the value \"one\" in row 2"), std::string::npos);

    folder.write("nca.r2s", head + ":yDelta -100\n:EndHeader\n1 0\n0 1\n1 1\n");
    EXPECT_NE(stop_text().find("nca.r2s line 7: the header gives cell sizes 100 by -100"),
              std::string::npos);

    folder.write("nca.r2s", head + ":yDelta 1x\n:EndHeader\n");
    EXPECT_NE(stop_text().find("nca.r2s line 7: the value \"1x\" of :yDelta"), std::string::npos);

    folder.write("nca.r2s", head + ":yDelta 100\n");
    EXPECT_NE(stop_text().find("without an \":EndHeader\" line"), std::string::npos);
}
