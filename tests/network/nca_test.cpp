#include "network/nca.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/responses.hpp"
#include "mapfile/map_input.hpp"
#include "test_support.hpp"

namespace {

class Nca : public zeltest::StageTest {
  protected:
    void SetUp() override {
        hdr.ycount = hdr.xcount = 2;
        hdr.xdelta = hdr.ydelta = 1000.f;
        frac(2, 2) = 0.f;  // a receiving cell
        answers.adjust_nca = 'y';
        answers.nca_choice = 1;
        answers.nca_choice1 = true;
        answers.nca_fraction = 0.5f;
    }
    void compute() {
        nca = non_contributing_areas(hdr, frac, answers, run);
        run.outputs.publish();
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
        return zeltest::stop_text([&] { compute(); });
    }

    MapHeader hdr;
    Grid<float> frac{2, 2, 1.0e6f};  // frac_2d, m2
    Responses answers;
    NonContributing nca;
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
    compute();
    const Grid<float>& f = nca.fraction;
    EXPECT_FLOAT_EQ(f(1, 1), 0.3f);
    EXPECT_FLOAT_EQ(f(1, 2), 0.f);
    EXPECT_FLOAT_EQ(f(2, 1), 0.f);
    EXPECT_TRUE(nca.in_use);
    EXPECT_TRUE(nca.held);
    const Grid<float>& c = nca.contrib_area;
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
    compute();
    EXPECT_FLOAT_EQ(nca.fraction(1, 1), 1.f);
    EXPECT_FLOAT_EQ(nca.contrib_area(1, 1), 500000.f);
}

TEST_F(Nca, ChoiceTwoKeepsTheGridWithoutAdjusting) {
    folder.write("nca.r2s", raster(kHeader));
    answers.nca_choice = 2;
    answers.nca_choice1 = false;
    answers.nca_fraction = 1.f;
    compute();
    EXPECT_FALSE(nca.in_use);
    EXPECT_TRUE(nca.held);
    EXPECT_FLOAT_EQ(nca.fraction(1, 1), 0.3f);
    EXPECT_TRUE(nca.contrib_area.empty());
}

TEST_F(Nca, NotWantedOrNoFile) {
    folder.write("nca.r2s", raster(kHeader));
    answers.adjust_nca = 'n';
    nca.in_use = true;
    compute();
    EXPECT_EQ(out.str(),
              "frac will NOT be adjusted for nca\n"
              "but the class areas may be depending on your answer\n");
    EXPECT_FALSE(nca.in_use);
    EXPECT_FALSE(std::filesystem::exists("nca.xyz"));

    std::filesystem::remove("nca.r2s");
    out.str("");
    answers.adjust_nca = 'y';
    compute();
    EXPECT_EQ(out.str().size(), 9 * 57u);  // the banner alone
    EXPECT_FALSE(nca.in_use);
    EXPECT_FALSE(nca.held);
}

TEST_F(Nca, RasterOutsideTheGridIsNotAnError) {
    folder.write("nca.r2s",
                 ":Projection UTM\n:xOrigin 90000\n:yOrigin 0\n:xCount 2\n:yCount 1\n"
                 ":xDelta 100\n:yDelta 100\n:EndHeader\n1 1\n");
    compute();
    EXPECT_NE(out.str().find("No pixel of nca.r2s lies inside the model grid:"), std::string::npos);
    EXPECT_EQ(std::vector<float>(nca.fraction.values().begin(), nca.fraction.values().end()), std::vector<float>(4, 0.f));
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
