#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "par_file_test.hpp"

namespace {

using zeltest::count;
using zeltest::has_lines;

class ParChecks : public zeltest::ParFileTest {};

std::string fixture() { return zeltest::par_fixture(); }
std::string with(const std::string& text, std::string_view from, std::string_view to) {
    return zeltest::replaced(text, from, to);
}

TEST_F(ParChecks, InfiltrationCoefficientsMustBePositiveOutsideTheWaterClass) {
    Stop s = parse_stop(with(fixture(), ":ak,        5.0,   6.0,", ":ak,        5.0,  -6.0,"));
    EXPECT_EQ(s.lines.back(), "program aborted in read_par_parser @ 1195");
    EXPECT_EQ(console(), "ak( 2 )<= 0.0\n");

    restart();
    s = parse_stop(with(fixture(), "-1.0,   9.5,", "-1.0,   0.0,"));
    EXPECT_EQ(s.lines.back(), "program aborted in read_par_parser @ 1201");
    EXPECT_EQ(console(), "akfs( 6 )<= 0.0\n");

    // Every ak is tested before any akfs: ak(3) is reported, not akfs(1).
    restart();
    std::string both = with(fixture(), ":ak,        5.0,   6.0,   7.0,", ":ak,        5.0,   6.0,  -7.0,");
    s = parse_stop(with(both, ":akfs,      5.5,", ":akfs,     -5.5,"));
    EXPECT_EQ(s.lines.back(), "program aborted in read_par_parser @ 1195");
    EXPECT_EQ(console(), "ak( 3 )<= 0.0\n");
}

TEST_F(ParChecks, InterceptionMultiplierAndItsLimits) {
    Stop s =
        parse_stop(with(fixture(), ":fratio,    1.0,   1.2,", ":fratio,    1.0,   0.005,"), "\n");
    EXPECT_EQ(s.lines.back(), "Program aborted in read_par_parser @ 1204");
    EXPECT_TRUE(
        has_lines(console(), {"WARNING:", "fratio for class 2 = 0.005", " out of range 0.01 - 10.0",
                              "Please correct h & fratio values", "", "Hit enter to abort"}));

    restart();
    s = parse_stop(with(fixture(), ":fratiohgh, 2.0,", ":fratiohgh, 12.0,"));
    EXPECT_EQ(s.lines.back(), "Program aborted in read_par_parser @ 1219");
    EXPECT_TRUE(
        has_lines(console(), {"WARNING:", "fratiohgh for class 1 above range 0.01 - 10.0",
                              "Please correct fratiohgh values", "", "Hit enter to abort"}));

    restart();
    s = parse_stop(with(fixture(), ":fratiolow, 0.5,", ":fratiolow, 0.001,"));
    EXPECT_EQ(s.lines.back(), "Program aborted in read_par_parser @ 1234");
    EXPECT_TRUE(has_lines(
        console(), {"WARNING:", "fratiolow for class 1 below range 0.01 - 10.0", "Value = 0.001",
                    "Please correct fratiolow values", "", "Hit enter to abort"}));
}

TEST_F(ParChecks, SnowCoverWeightingDefault) {
    parse(with(fixture(), ":a7,        0.9,", ":a7,        0.3,"));
    EXPECT_FLOAT_EQ(par.a7, 0.5f);
    EXPECT_EQ(console(),
              " Value for weighting factor - old vs. new sca value\n"
              " a7 not between 0.5-0.99in the par file\n"
              " a7=0.50 assumed - matches kvr8 results\n"
              " Hit enter to accept default & continue\n"
              " Program paused in rdpar @ 480\n");
    EXPECT_EQ(log().rfind(" \n WARNING - in rdpar\n"
                          "Value for weighting factor - old vs. new sca value\n"
                          "a7 not between 0.5-0.99in the par file\n"
                          "a7=0.50 assumed - matches kvr8 results\n \n",
                          0),
              0u);

    restart();
    parse(with(fixture(), ":a7,        0.9,", ":a7,        0.99,"));
    EXPECT_FLOAT_EQ(par.a7, 0.99f);
    EXPECT_EQ(console(), "");
}

TEST_F(ParChecks, HeatDeficitAndExponentDefaultsShareOneWait) {
    std::string text = with(fixture(), ":a9,        0.333,", ":a9,        0.3,");
    text = with(text, ":a10,       1.0,", ":a10,       3.5,");
    parse(text);
    EXPECT_FLOAT_EQ(par.a9, 0.333f);
    EXPECT_FLOAT_EQ(par.a10, 1.0f);
    EXPECT_EQ(count(console(), "Program paused in rdpar @ 512"), 1u);
    EXPECT_TRUE(has_lines(console(), {"", " a9 (heat deficit / swe ratio outside range 0.333 - 5.0",
                                      " a9 = .333 assumed"}));
    EXPECT_TRUE(has_lines(console(), {"", " a10 uz discharge exponent outside range 0.5 - 3.0",
                                      " a10 = 1.0 assumed"}));
    EXPECT_TRUE(has_lines(console(), {" values for a9 and/or a10 in the parameter .par file", "",
                                      "  Program paused in rdpar @ 512"}));
    EXPECT_TRUE(has_lines(
        log(), {"", "", " Value for a9 heat deficit to swe outside range", "     0.333 assumed", "",
                "", " Value for a10 uz exponent outside range", "     1.000 assumed"}));
}

TEST_F(ParChecks, PenaltyDefaultsOnlyForDds) {
    std::string text = with(fixture(), ":a3,        0.1,", ":a3,       -1.0,");
    text = with(text, ":a4,        0.1,", ":a4,       -1.0,");
    parse(text);
    EXPECT_FLOAT_EQ(par.a3, -1.0f);
    EXPECT_FLOAT_EQ(par.a4, -1.0f);
    EXPECT_EQ(console(), "");

    restart();
    parse(with(text, ":ddsflg,    0,", ":ddsflg,    1,"));
    EXPECT_FLOAT_EQ(par.a3, 0.05f);
    EXPECT_FLOAT_EQ(par.a4, 0.03f);
    EXPECT_EQ(console(),
              "a3 < 0   Must be = or > 0 to use DDS\nPlease correct the par file\n"
              "a3=0.05 assumed\n\na4 < 0   Must be = or > 0 to use DDS\n"
              "Please correct the par file\n\n");
}

TEST_F(ParChecks, LowerZoneValuesPerRiverClass) {
    std::string text = with(fixture(), ":pwr,       2.5,      2.0,", ":pwr,       2.5,      5.0,");
    text = with(text, ":flz,     1.0E-05,", ":flz,    -0.1,");
    parse(text);
    EXPECT_FLOAT_EQ(par.flz[1], 1.0e-31f);
    EXPECT_FLOAT_EQ(par.per_cell[0][1], -0.1f);  // the cells keep the file's value
    EXPECT_FLOAT_EQ(par.per_cell[0][5 - 1], 2.0e-5f);
    EXPECT_EQ(console(),
              "\nThe value of pwr for land cover class 2\nis 5 which\n"
              "is not in the range of 0.1 - 4.0\nPlease check all values\n"
              "This msg not printed for DDS & PS runs\n\n"
              "Hit enter to continue with this value (@ 607)\n");

    restart();
    parse(with(text, ":numa,      0,", ":numa,      1,"));
    EXPECT_EQ(console(), "");
}

TEST_F(ParChecks, ZeroLowerZoneCoefficientIsReported) {
    parse(with(fixture(), ":flz,     1.0E-05,", ":flz,     0.0,"));
    EXPECT_EQ(console(),
              "In read_par,flz_o( 1)=   0.0000000\n"
              " wrong parameter value - change flz(i) to +ve value\n");
}

TEST_F(ParChecks, WidthDepthRatioMustBeGiven) {
    const Stop s = parse_stop(with(fixture(), ":widep,    10.0,", ":widep,     0.0,"));
    EXPECT_EQ(s.lines.back(), "Program aborted in rdpar @ 715");
    EXPECT_EQ(console(),
              "Width/depth ratio must be specified when using\n"
              "Manning n as the roughness parameter.\nPlease fix the par file\n\n");
}

TEST_F(ParChecks, ClassNamesAreNormalised) {
    parse(with(fixture(), ":ClassName, Forest, Cropland, Grassland,",
               ":ClassName, \"Glacier north\", GLacier, ' water',"));
    EXPECT_EQ(par.nclass[1], "glacier   ");
    EXPECT_EQ(par.nclass[2], "GLacier   ");
    EXPECT_EQ(par.nclass[3], "water     ");
    EXPECT_EQ(par.glacier_class, 1);
}

TEST_F(ParChecks, InterflowCoefficientCannotBeNegative) {
    const Stop s =
        parse_stop(with(fixture(), ":rec,       0.10,  0.20,", ":rec,       0.10, -0.20,"));
    EXPECT_EQ(s.lines.back(), "Program aborted in read_par_parser @ 1040");
    EXPECT_EQ(console(),
              "the value for rec can not be less than 0.00\nclass= 2 value= -0.2\n"
              "Please change the value in the par file\n\n");
}

TEST_F(ParChecks, WaterClassNeedsNegativeInfiltration) {
    const Stop s = parse_stop(with(fixture(), "-1.0,   9.5,", "1.0,   9.5,"));
    EXPECT_EQ(s.lines.back(), "Program aborted in read_par_parser @ 1514");
    EXPECT_EQ(console(),
              "Error:\nWater class not specified\nak and akfs NOT given a -ve value\n"
              "ak( 5 ) value found = -1\nakfs( 5 ) value found = 1\n"
              "Please correct the par file\nNo of classed expected = 6\n");
}

TEST_F(ParChecks, RipeningWithoutLimitsIsSwitchedOff) {
    std::string text = with(fixture(), ":fmadjust,  0.0,", ":fmadjust,  0.2,");
    parse(with(text, ":fmalow,    0.5,", ":fmalow,    0.0,"));
    EXPECT_FLOAT_EQ(par.fmadjust, 0.0f);
    EXPECT_EQ(console(),
              "fmadjust,fmalow,fmahigh/ 0.2 0 1.5\nfmadjust is set to 0.0\n"
              " because there are no limits set in zelm.par\nno\n hit enter to continue\n");
}

TEST_F(ParChecks, WaterEvaporationAndWiltingPointWarnings) {
    std::string text = with(fixture(), "1.3,   0.9,   0.1,", "1.3,   0.0,   0.1,");
    text = with(text, ":ffcap,     0.2,   0.2,", ":ffcap,     0.2,  -1.0,");
    parse(text);
    EXPECT_FLOAT_EQ(par.fpet[5], 0.0f);
    EXPECT_FLOAT_EQ(par.ffcap[2], 0.01f);
    EXPECT_TRUE(has_lines(console(), {"WARNING", "Value for fpet for water class = 0",
                                      "This value is multiplied by the pet for water"}));
    EXPECT_TRUE(has_lines(console(), {"pwp( 2 ) Permanent Wilting Point set too low.",
                                      "pwp( 2 )  Must be > 0.0", "pwp( 2 ) set to 0.01", ""}));
}

TEST_F(ParChecks, PorosityMustBePositive) {
    const Stop s = parse_stop(with(fixture(), ":spore,     0.3,", ":spore,     0.0,"));
    EXPECT_EQ(s.lines.back(), "Program aborted in rdpar at ~1254");
    EXPECT_EQ(console(),
              "spore( 1 )= 0\n This value can not be .le. 0.0\n"
              " Please correct the parameter file\n\n");
}

TEST_F(ParChecks, SublimationFactorCappedAt075) {
    parse(with(fixture(), ":sublim_factor, 0.1,", ":sublim_factor, 0.9,"));
    EXPECT_FLOAT_EQ(par.sublim_factor[1], 0.75f);
    EXPECT_EQ(console(),
              "Warning: sublimation factor for class 1\nand is given as 0.9\n"
              "is set too high. Sublim reduced to 0.75\n");
}

TEST_F(ParChecks, Tempa3AndInterceptionTable) {
    std::string text = with(fixture(), ":tempa3,    0.5,", ":tempa3,    0.0,");
    text = with(text, ":a11,       0.1,", ":a11,       0.0,");
    parse(text);
    EXPECT_FLOAT_EQ(par.tempa3, 0.0001f);
    EXPECT_TRUE(has_lines(log(), {"WARNING:", "Temp3 <0.0001  set temp3=0.0001", ""}));
    // Class 5 has no interception at all: its factors are 0, its table 0.01.
    for (int m = 1; m <= 12; ++m) {
        EXPECT_FLOAT_EQ(par.fpetm(m, 5), 0.0f);
        EXPECT_FLOAT_EQ(par.h(m, 5), 0.01f);
    }
    EXPECT_TRUE(has_lines(
        log(), {"hmax  3.00", "h(  ) 1.00 1.00 1.00 1.50 2.00 2.50 3.00 3.00 2.50 2.00 1.50 1.00",
                "fpetm 0.23 0.23 0.23 0.35 0.47 0.58 0.70 0.70 0.58 0.47 0.35 0.23"}));
    EXPECT_TRUE(has_lines(
        log(),
        {"hmax  0.00", "h(  ) 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00"}));
}

TEST_F(ParChecks, RechargeCoefficientsAtMostOne) {
    Stop s = parse_stop(
        with(fixture(), ":ak2,       0.1,   0.2,   0.3,", ":ak2,       0.1,   0.2,   1.3,"));
    EXPECT_EQ(s.lines.back(), " Please change value for AK2- must be lt 1");
    EXPECT_EQ(console(), " AK2(    3) =\n");

    restart();
    s = parse_stop(with(fixture(), ":ak2fs,     0.15,", ":ak2fs,     1.15,"));
    EXPECT_EQ(s.lines.back(), " Please change value for AK2fs - must be lt 1");
    EXPECT_EQ(console(), " AK2fs(    1) =\n");
}

TEST_F(ParChecks, DdsOverrideFile) {
    const std::string text = with(fixture(), ":ddsflg,    0,", ":ddsflg,    1,");
    { std::ofstream("ddsflg_override.txt") << "  0\n"; }
    parse(text);
    EXPECT_EQ(par.ddsflg, 0);
    EXPECT_EQ(console(),
              "---------------------------------------------\n"
              "DDS_flag set to `0` for normal production run\n\n");

    restart();
    { std::ofstream("ddsflg_override.txt") << "none\n"; }
    parse(text);
    EXPECT_EQ(par.ddsflg, 1);
    EXPECT_EQ(console(), "ddsflg_override.txt holds no readable integer - ddsflg stays 1\n");
}

TEST_F(ParChecks, SmoothingDistanceAgainstRadius) {
    parse(with(fixture(), ":smoothdist, 25.0,", ":smoothdist, 60.0,"));
    EXPECT_EQ(console(),
              "\nWARNING: smoothing dist > radius of influence/2\n"
              "Likely will lead to problems in PLUVEX.exe\nand TOQ.exe\n"
              "with no data written to file & program hanging\n"
              "Program continues with ddsflg = 1\n"
              "Pls fix par file (Ctrl C) or hit enter to continue\n");
}

TEST_F(ParChecks, LatitudeForMethodTwoAndFour) {
    Stop s = parse_stop(with(fixture(), ":lat,      48.5,", ":lat,       0.0,"));
    EXPECT_EQ(s.lines.back(), "Program aborted in read_par_parser @ L1713");

    restart();
    std::string four = with(fixture(), ":flgevp2,   2.0,", ":flgevp2,   4.0,");
    s = parse_stop(with(four, ":lat,      48.5,", ":lat,       0.0,"));
    EXPECT_EQ(s.lines.back(), "Program aborted in read_par_parser @ L1739");
    EXPECT_TRUE(has_lines(console(), {"UTM", "", "lat = 0 in the par file"}));

    // UTM: latitudes from the file's latitude and the rows; cell rows run 1..3.
    restart();
    parse(with(four, ":lat,      48.5,", ":lat,      45.0,"));
    const float north = 45.0f + 2.5f * 1000.0f / 111120.0f;
    EXPECT_TRUE(has_lines(console(), {"UTM", "", "NEW:   flgevp2 = 4 option",
                                      "the general mid-basin lat parameter in the par file",
                                      "will be replaced by the lat for each grid.", "", "NEW <<<<",
                                      "variable lat is calculated based on the latitude",
                                      "of the origin given in the par file as 45",
                                      "north-most latitude: " + num(north), "Please check", ""}));
    EXPECT_FLOAT_EQ(par.lat, 45.0f);
    EXPECT_NEAR(par.sin_lat[5], std::sin(north * 3.1416 / 180.0), 1e-6);

    // Geographic grid: latitudes from the grid origin; lat ends as cell na's.
    restart();
    b.hdr.projection = *parse_map_projection("LATLONG");
    b.hdr.yorigin = 50.0f;
    b.hdr.ydelta = 0.25f;
    parse(four);
    EXPECT_FLOAT_EQ(par.lat, 50.0f + 2.5f * 0.25f);
    EXPECT_NEAR(par.tan_lat[1], std::tan((50.0 + 0.125) * 3.1416 / 180.0), 1e-5);
}

}  // namespace
