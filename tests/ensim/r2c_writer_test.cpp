#include "ensim/r2c_writer.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "test_support.hpp"

namespace {

class R2cWriter : public zeltest::StageTest {
  protected:
    void SetUp() override {
        GridHeader& gh = run.gh;
        gh.projection = "UTM";
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
        run.output_grid.assign(2, 3, 0.f);
        run.output_grid(1, 1) = 123.456f;
        run.output_grid(1, 2) = -5.f;
        run.output_grid(2, 3) = 1.f;
        run.fln[99] = "elv_means.r2c";
    }
    std::vector<std::string> write_one(int code) {
        write_r2c(run, con, 99, 99, 0, 1, 0, 0, code);
        write_r2c(run, con, 99, 99, 0, 1, 0, 1, code);
        return zeltest::lines_of("elv_means.r2c");
    }
};

std::string pad(const std::string& s, std::size_t w) {
    return s + std::string(w > s.size() ? w - s.size() : 0, ' ');
}

}  // namespace

TEST_F(R2cWriter, UtmHeaderAndF82Block) {
    auto lines = write_one(12);
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
    const std::string closed = "Closed unit 99 Filename=  elv_means.r2c fr # 1 1";
    EXPECT_NE(out.str().find(closed + "\n"), std::string::npos);
    EXPECT_EQ(run.log.buffer(), closed + "\n");
    EXPECT_FALSE(run.r2c_file.is_open());
}

TEST_F(R2cWriter, LatLongHeaderHasNeitherEllipsoidNorZoneAndUnitConversionShows) {
    run.gh.projection = "LATLONG";
    run.gh.unit_conversion = 2.5f;
    auto lines = write_one(12);
    for (const auto& l : lines) {
        EXPECT_NE(l.rfind(":Ellipsoid", 0), 0u);
        EXPECT_NE(l.rfind(":Zone", 0), 0u);
    }
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), pad(":UnitConversion", 20) + "          2.5000"),
        lines.end());
}

TEST_F(R2cWriter, NumberFormatCodes) {
    run.output_grid.assign(2, 3, 0.f);
    run.output_grid(1, 1) = 12.5f;
    auto e_line = [&](int code) { return write_one(code)[35]; };  // first value row
    EXPECT_EQ(e_line(7), " 0.125000E+02 0.000000E+00 0.000000E+00");
    EXPECT_EQ(e_line(99), " 0.125000E+02 0.000000E+00 0.000000E+00");
    EXPECT_EQ(e_line(-1), " 0.125000E+02 0.000000E+00 0.000000E+00");
    EXPECT_EQ(e_line(8), "  0.125E+02  0.000E+00  0.000E+00");
    EXPECT_EQ(e_line(0), "   13.    0.    0.");
    EXPECT_EQ(e_line(3), " 12.500  0.000  0.000");
    EXPECT_EQ(e_line(10), "        13.         0.         0.");
}

TEST_F(R2cWriter, FramesGetFrameLinesAndNoSampleTime) {
    run.gh.frame_year = 2015;
    run.gh.frame_month = 3;
    run.gh.frame_day = 14;
    run.gh.frame_hour = 6;
    write_r2c(run, con, 99, 99, 2, 1, 0, 0, 12);
    write_r2c(run, con, 99, 99, 2, 1, 1, 0, 12);
    EXPECT_TRUE(run.r2c_file.is_open());
    write_r2c(run, con, 99, 99, 2, 1, 2, 0, 12);
    auto lines = zeltest::lines_of("elv_means.r2c");
    for (const auto& l : lines) EXPECT_NE(l.rfind(":SampleTime", 0), 0u);
    auto at = std::find(lines.begin(), lines.end(), pad(":endHeader", 40));
    ASSERT_NE(at, lines.end());
    ASSERT_EQ(lines.end() - at, 1 + 2 * 4);
    EXPECT_EQ(at[1], ":Frame         1         1   \"2015/3/14  6:00:00.000\"");
    EXPECT_EQ(at[4], ":EndFrame");
    EXPECT_EQ(at[5], ":Frame         2         2   \"2015/3/14  6:00:00.000\"");
    EXPECT_EQ(at[8], ":EndFrame");
    EXPECT_NE(out.str().find("Closed unit 99 Filename=  elv_means.r2c fr # 2 2\n"),
              std::string::npos);
}

TEST_F(R2cWriter, ProgrammingErrorStops) {
    try {
        write_r2c(run, con, 99, 99, 2, 2, 0, 0, 12);
        FAIL() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.exit_status(), 1);
        EXPECT_EQ(s.lines.back(), "Program aborted due to programming error");
    }
    EXPECT_EQ(out.str(),
              "Programming error\nno_frames > 1  and  no_classes > 1\nThis is not allowed\n\n");
    EXPECT_FALSE(std::filesystem::exists("elv_means.r2c"));
}

TEST_F(R2cWriter, UnwritableFileStops) {
    std::filesystem::create_directory("elv_means.r2c");
    try {
        write_r2c(run, con, 99, 99, 0, 1, 0, 0, 12);
        FAIL() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.lines.back(), "in write_r2c @ L83");
    }
    EXPECT_NE(out.str().find("Unable to open file elv_means.r2c\n"), std::string::npos);
}
