#include "ensim/r2s_reader.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

// Each test runs in a fresh folder of its own.
class R2sReader : public zeltest::StageTest {
  protected:
    R2sGrid read(const std::string& name) { return read_r2s(name, 99, run); }
    // The stop's lines, joined, or "" when the read went through.
    std::string read_stop(const std::string& name) {
        return zeltest::stop_text([&] { read(name); });
    }
};

const std::string kHeader =
    "########################################\n"
    ":FileType r2s  ASCII  EnSim 1.0\n"
    "# comment line\n"
    ":Projection         Cartesian\n"
    ":Ellipsoid          GRS80\n"
    ":Datum              NAD83\n"
    ":xOrigin            100.5\n"
    ":yOrigin            -20\n"
    ":xCount             3\n"
    ":yCount             2\n"
    ":xDelta             10\n"
    ":yDelta             12.5\n"
    ":FrameTime 2001/01/01 00:00\n";

}  // namespace

TEST_F(R2sReader, ReadsHeaderByKeywordAndRowsSouthFirst) {
    folder.write("dem.r2s", kHeader + ":endHeader\n1 2\n 3\n4,5,6 7\n");
    const R2sGrid grid = read("dem.r2s");
    const GridHeader& gh = grid.header;
    EXPECT_EQ(gh.projection, Projection::cartesian);
    EXPECT_EQ(gh.datum1, "NAD83");  // the later :Datum line wins
    EXPECT_FLOAT_EQ(gh.xorigin, 100.5f);
    EXPECT_FLOAT_EQ(gh.yorigin, -20.f);
    EXPECT_EQ(gh.xcount, 3);
    EXPECT_EQ(gh.ycount, 2);
    EXPECT_FLOAT_EQ(gh.ydelta, 12.5f);
    EXPECT_EQ(gh.frame_time, "2001/01/01");
    ASSERT_EQ(grid.values.rows(), 2);
    ASSERT_EQ(grid.values.cols(), 3);
    EXPECT_EQ(grid.values(1, 1), 1.f);
    EXPECT_EQ(grid.values(1, 3), 3.f);  // a row read across two lines
    EXPECT_EQ(grid.values(2, 3), 6.f);  // values after the last on a line are dropped
    std::string text = out.str();
    EXPECT_NE(text.find("opened unit = 99 filename = dem.r2s\n"), std::string::npos);
    EXPECT_NE(text.find("\nValues found:\nprojection= CARTESIAN\ndatum1= NAD83\nzone= 0\n"
                        "xorigin= 100.5\nyorigin= -20\nxcount= 3\nycount= 2\nxdelta= 10\n"
                        "ydelta= 12.5\n"),
              std::string::npos);
    EXPECT_NE(text.find("last value read in filename1(1:40)\n\n"), std::string::npos);
}

TEST_F(R2sReader, ProjectionCheck) {
    folder.write("utm.r2s",
                 ":Projection UTM\n:Zone 17\n:xCount 1\n:yCount 1\n:xOrigin 500000\n"
                 ":yOrigin 0\n:xDelta 1\n:yDelta 1\n:EndHeader\n5\n");
    const GridHeader utm = read("utm.r2s").header;
    EXPECT_EQ(utm.zone, 17);
    EXPECT_EQ(utm.projection, Projection::utm);
    EXPECT_NE(out.str().find("\nxorigin= 500000\n"), std::string::npos);  // not 5e+05

    folder.write("latlong.r2s",
                 ":CoordSys LatLong\n:xCount 1\n:yCount 1\n:xOrigin 0\n"
                 ":yOrigin 0\n:xDelta 1\n:yDelta 1\n:EndHeader\n5\n");
    EXPECT_EQ(read("latlong.r2s").header.projection, Projection::latlong);

    // Keywords are case sensitive: a lower-case keyword leaves no projection.
    folder.write("lower.r2s",
                 ":projection UTM\n:xCount 1\n:yCount 1\n:xOrigin 0\n"
                 ":yOrigin 0\n:xDelta 1\n:yDelta 1\n:EndHeader\n5\n");
    EXPECT_EQ(read_stop("lower.r2s"), "Program aborted in read_r2s_beta@ 407\n");
    EXPECT_NE(out.str().find(" Valid format\n(UTM, CARTESIAN, LatLong or LATLONG) not found\n"
                             "format found is ***unknown***\n"),
              std::string::npos);

    folder.write("cart.r2s", ":Projection cartesian\n:xCount 1\n:yCount 1\n:EndHeader\n5\n");
    EXPECT_EQ(read_stop("cart.r2s"), "Program aborted in read_r2s_beta@ 407\n");
}

TEST_F(R2sReader, EachFileGivesAGridOfItsOwnSize) {
    folder.write("a.r2s", kHeader + ":EndHeader\n1 2 3\n4 5 6\n");
    EXPECT_EQ(read("a.r2s").values.size(), 6u);
    folder.write("b.r2s",
                 ":Projection UTM\n:xOrigin 0\n:yOrigin 0\n:xCount 4\n:yCount 3\n:xDelta 1\n"
                 ":yDelta 1\n:EndHeader\n1 2 3 4\n5 6 7 8\n9 10 11 12\n");
    const R2sGrid b = read("b.r2s");
    ASSERT_EQ(b.values.rows(), 3);
    ASSERT_EQ(b.values.cols(), 4);
    EXPECT_EQ(b.values(3, 4), 12.f);
}

TEST_F(R2sReader, BadInputStopsWithFileAndLine) {
    EXPECT_EQ(read_stop("none.r2s"), "Program aborted in read_r2s @ 24\n");
    EXPECT_NE(out.str().find("Error opening none.r2s\n"), std::string::npos);

    folder.write("bad.r2s", ":Projection UTM\n:xCount abc\n:EndHeader\n");
    EXPECT_NE(read_stop("bad.r2s").find("bad.r2s line 2: the value \"abc\" of :xCount"),
              std::string::npos);

    // ":ENDHEADER" does not end the header.
    folder.write("noend.r2s", kHeader + ":ENDHEADER\n1 2 3\n");
    EXPECT_NE(read_stop("noend.r2s").find("noend.r2s: the file ends at line 15 without"),
              std::string::npos);

    folder.write("short.r2s", kHeader + ":EndHeader\n1 2 3\n4 5\n");
    EXPECT_NE(read_stop("short.r2s").find("short.r2s: the data end at line 16, in row 2 of 2"),
              std::string::npos);

    folder.write("letters.r2s", kHeader + ":EndHeader\n1 2 3\n4 x5 6\n");
    EXPECT_NE(read_stop("letters.r2s").find("letters.r2s line 16: the value \"x5\" in row 2"),
              std::string::npos);

    folder.write("zero.r2s",
                 ":Projection UTM\n:xOrigin 0\n:yOrigin 0\n:xCount 2\n:yCount 2\n"
                 ":xDelta 0\n:yDelta 1\n:EndHeader\n1 2\n3 4\n");
    EXPECT_NE(read_stop("zero.r2s").find("zero.r2s line 6: the header gives cell sizes 0 by 1"),
              std::string::npos);

    folder.write("nocount.r2s",
                 ":Projection UTM\n:xOrigin 0\n:yOrigin 0\n:yCount 2\n"
                 ":xDelta 1\n:yDelta 1\n:EndHeader\n1 2\n3 4\n");
    EXPECT_NE(read_stop("nocount.r2s").find("has no :xCount"), std::string::npos);
}
