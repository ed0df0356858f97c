#include "ensim/r2c_writer.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "mapfile/map_input.hpp"
#include "output/outputs.hpp"
#include "basin_builder.hpp"
#include "test_support.hpp"

namespace {

class R2cFile : public zeltest::StageTest {
  protected:
    void SetUp() override {
        gh.projection = Projection::utm;
        gh.datum1 = "NAD83";
        gh.zone = 17;
        gh.xorigin = 500000.f;
        gh.yorigin = 4800000.f;
        gh.xcount = 3;
        gh.ycount = 2;
        gh.xdelta = 1000.f;
        gh.ydelta = 1000.f;
        gh.author = "talviren/zel";
        gh.name = "mean grid elevations";
        gh.source_file = "dem.r2s";
        grid.assign(2, 3, 0.f);
        grid(1, 1) = 123.456f;
        grid(1, 2) = -5.f;
        grid(2, 3) = 1.f;
    }
    // The lines of elv_means.r2c written as the header and one block of `grid` in `f`.
    std::vector<std::string> write_one(field::Field f, int per_line = 9999) {
        R2cWriter w(per_line);
        EXPECT_TRUE(w.open("elv_means.r2c"));
        write_grid_header(w, gh, 1);
        w.block(Span{1, gh.ycount, 1, gh.xcount}, f, [&](int i, int j) { return grid(i, j); });
        EXPECT_TRUE(w.commit());
        EXPECT_FALSE(w.file().is_open());
        return zeltest::lines_of("elv_means.r2c");
    }

    GridHeader gh;
    Grid<float> grid;
};

std::string pad(const std::string& s, std::size_t w) {
    return s + std::string(w > s.size() ? w - s.size() : 0, ' ');
}

}  // namespace

TEST_F(R2cFile, UtmHeaderAndF82Block) {
    auto lines = write_one(field::Field::F(8, 2, true));
    const std::string h40 = pad("#", 40);
    std::vector<std::string> want = {
        "########################################",
        pad(":FileType r2c  ASCII  EnSim 1.0", 40),
        h40,
        pad("# DataType               2D Rect Cell", 40),
        h40,
        pad(":Application             TALVIREN", 40),
        pad(":Version                 2.1.23", 40),
        pad(":WrittenBy", 20) + pad("talviren/zel", 40),
        pad(":Weight used", 20) + "               0",
        "",  // creation date, checked below
        h40,
        "#---------------------------------------",
        h40,
        pad(":Name", 20) + pad("mean grid elevations", 40),
        h40,
        pad(":Projection", 20) + "UTM       ",
        pad(":Ellipsoid", 20) + "NAD83     ",
        pad(":Zone", 20) + "              17",
        h40,
        pad(":xOrigin", 20) + "     500000.0000",
        pad(":yOrigin", 20) + "    4800000.0000",
        h40,
        pad(":SourceFile", 20) + std::string(10, ' ') + pad("dem.r2s", 30),
        h40,
        ":AttributeName    1 Class    1",
        h40,
        pad(":xCount", 20) + "               3",
        pad(":yCount", 20) + "               2",
        pad(":xDelta", 20) + "       1000.0000",
        pad(":yDelta", 20) + "       1000.0000",
        h40,
        pad(":SampleTime", 20) + "unknown     unknown   ",
        h40,
        h40,
        pad(":endHeader", 40),
        "   123.46    -5.00     0.00",
        "     0.00     0.00     1.00",
    };
    ASSERT_EQ(lines.size(), want.size());
    for (std::size_t k = 0; k < want.size(); ++k) {
        if (k == 9) {
            EXPECT_TRUE(std::regex_match(
                lines[k], std::regex(":CreationDate       \\d{4}-\\d\\d-\\d\\d  \\d\\d:\\d\\d")))
                << lines[k];
            continue;
        }
        EXPECT_EQ(lines[k], want[k]) << "line " << k + 1;
    }
}

TEST_F(R2cFile, LatLongHeaderHasNeitherEllipsoidNorZoneAndUnitConversionShows) {
    gh.projection = Projection::latlong;
    gh.unit_conversion = 2.5f;
    auto lines = write_one(field::Field::F(8, 2, true));
    for (const auto& l : lines) {
        EXPECT_NE(l.rfind(":Ellipsoid", 0), 0u);
        EXPECT_NE(l.rfind(":Zone", 0), 0u);
    }
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), pad(":UnitConversion", 20) + "          2.5000"),
        lines.end());
}

TEST_F(R2cFile, ValueFields) {
    grid.assign(2, 3, 0.f);
    grid(1, 1) = 12.5f;
    using field::Field;
    const struct {
        Field f;
        const char* first_row;
    } cases[] = {
        {Field::E(12, 6, true), " 0.125000E+02 0.000000E+00 0.000000E+00"},
        {Field::E(10, 3, true), "  0.125E+02  0.000E+00  0.000E+00"},
        {Field::F(5, 0, true), "   13.    0.    0."},
        {Field::F(6, 3, true), " 12.500  0.000  0.000"},
        {Field::F(10, 0, true), "        13.         0.         0."},
        {Field::I(4), "  12   0   0"},  // reals in an integer field are cut
    };
    for (const auto& c : cases) EXPECT_EQ(write_one(c.f)[35], c.first_row);  // first value row
}

TEST_F(R2cFile, IntegerGridsAndLongRows) {
    R2cWriter w(2);  // a row goes on over more lines after 2 values
    ASSERT_TRUE(w.open("ranks.r2c"));
    const Grid<int> ranks(2, 3, 7);
    w.block(Span{1, 2, 1, 3}, field::Field::I(3), [&](int i, int j) { return ranks(i, j) + j; });
    w.block(Span{2, 2, 2, 3}, field::Field::F(5, 1, true), [&](int, int j) { return j; });
    ASSERT_TRUE(w.commit());
    EXPECT_EQ(zeltest::lines_of("ranks.r2c"), (std::vector<std::string>{
                                                  "  8  9", " 10", "  8  9", " 10",  // block 1
                                                  "   2.0   3.0",                     // block 2
                                              }));
}

TEST_F(R2cFile, NothingUnderTheFinalNameBeforeTheCommit) {
    R2cWriter w(9999);
    ASSERT_TRUE(w.open("elv_means.r2c"));
    write_grid_header(w, gh, 2);
    for (int block = 1; block <= 2; ++block)
        w.block(Span{1, 2, 1, 3}, field::Field::F(8, 2, true),
                [&](int i, int j) { return grid(i, j) * static_cast<float>(block); });
    EXPECT_TRUE(w.file().is_open());
    EXPECT_FALSE(std::filesystem::exists("elv_means.r2c"));
    ASSERT_TRUE(w.commit());
    auto lines = zeltest::lines_of("elv_means.r2c");
    auto at = std::find(lines.begin(), lines.end(), pad(":endHeader", 40));
    ASSERT_NE(at, lines.end());
    ASSERT_EQ(lines.end() - at, 1 + 2 * 2);
    EXPECT_EQ(at[1], "   123.46    -5.00     0.00");
    EXPECT_EQ(at[3], "   246.91   -10.00     0.00");
    EXPECT_NE(std::find(lines.begin(), lines.end(), ":AttributeName    2 Class    2"), lines.end());

    // Dropped before its commit, a new file leaves the earlier one as it was.
    R2cWriter again(9999);
    ASSERT_TRUE(again.open("elv_means.r2c"));
    again.line("unfinished");
    again.discard();
    EXPECT_EQ(zeltest::lines_of("elv_means.r2c"), lines);
}

// The elevation grids are the r2c files written through this header: the
// run names each file it closes and stops on one it cannot create.
class ElevationGrid : public zeltest::StageTest, public zeltest::BareProducts {
  protected:
    void SetUp() override {
        map.hdr.xdelta = map.hdr.ydelta = 1000.f;
        shed.rank.assign(2, 3, 1);
        shed.window.rows = 2;
        shed.window.cols = 3;
        dem.mean.assign(2, 3, 1.f);
        dem.max.assign(2, 3, 2.f);
    }
    void write() { write_elevation_grids(written(&dem), run); }

    DemStats dem;
};

TEST_F(ElevationGrid, ClosingLineGoesToConsoleAndLog) {
    write();
    const std::string closed = "Closed unit 99 Filename=  elv_means.r2c fr # 1 1";
    EXPECT_NE(out.str().find(closed + "\n"), std::string::npos);
    EXPECT_EQ(run.log.buffer(),
              closed + "\nClosed unit 99 Filename=  elv_max.r2c fr # 1 1\n");
}

TEST_F(ElevationGrid, UnwritableFileStops) {
    std::filesystem::create_directory("elv_means.r2c");
    R2cWriter w(9999);
    EXPECT_FALSE(w.open("elv_means.r2c"));
    EXPECT_NE(w.error_code(), 0);
    try {
        write();
        FAIL() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.lines.back(), "in write_r2c @ L83");
    }
    EXPECT_NE(out.str().find("Unable to open file elv_means.r2c\n"), std::string::npos);
}
