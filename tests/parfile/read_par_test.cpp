#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "par_file_test.hpp"

namespace {

using zeltest::count;
using zeltest::has_lines;

class ReadPar : public zeltest::ParFileTest {};

std::string fixture() { return zeltest::par_fixture(); }
std::string with(const std::string& text, std::string_view from, std::string_view to) {
    return zeltest::replaced(text, from, to);
}

TEST_F(ReadPar, CompleteFileFillsEverySection) {
    parse(fixture());
    const ParameterSet& p = par;
    EXPECT_EQ(console(), "");  // a sound file passes every check silently
    EXPECT_EQ(p.classcount, 6);
    EXPECT_EQ(p.nrvr, 3);

    ASSERT_EQ(p.comments.size(), 6u);
    EXPECT_EQ(p.comments[1], "# Parameter file for the Upper Kettle test basin");

    EXPECT_FLOAT_EQ(p.a1, -999.0f);
    EXPECT_FLOAT_EQ(p.a5, 0.985f);
    EXPECT_FLOAT_EQ(p.a6, 900.0f);
    EXPECT_FLOAT_EQ(p.a11, 0.1f);
    EXPECT_FLOAT_EQ(p.tlapse, 0.0065f);
    EXPECT_FLOAT_EQ(p.radiusinflce, 100.0f);
    EXPECT_FLOAT_EQ(p.lat, 48.5f);
    EXPECT_FLOAT_EQ(p.chnl5, 1.4f);
    EXPECT_FLOAT_EQ(p.tempa3, 0.5f);

    EXPECT_TRUE(p.river_classes_given);
    EXPECT_EQ(p.rivtype[2], "mid reach ");
    EXPECT_FLOAT_EQ(p.flz[3], 3.0e-5f);
    EXPECT_FLOAT_EQ(p.widep[2], 12.6f);
    EXPECT_FLOAT_EQ(p.rlake[3], 1.0f);

    EXPECT_EQ(p.nclass[1], "Forest    ");
    EXPECT_EQ(p.nclass[4], "wetland   ");  // "Wetland fen", cut and normalised
    EXPECT_EQ(p.nclass[5], "water     ");
    EXPECT_EQ(p.nclass[6], "Impervious");
    EXPECT_EQ(p.glacier_class, 0);
    EXPECT_FLOAT_EQ(p.ak[5], -1.0f);
    EXPECT_FLOAT_EQ(p.ak2fs[6], 0.65f);
    EXPECT_FLOAT_EQ(p.r4[3], 10.0f);
    EXPECT_FLOAT_EQ(p.fratio[2], 1.2f);

    EXPECT_EQ(p.sublimation_mode, 1);
    EXPECT_FLOAT_EQ(p.sublim_factor[6], 0.6f);
    EXPECT_EQ(p.idump[4], 4);
    EXPECT_EQ(p.nsdc[6], 1);
    EXPECT_FLOAT_EQ(p.sdcd[2 * 3 + 1], 70.0f);
    EXPECT_FLOAT_EQ(p.sdcd[2 * 3], 0.0f);
    EXPECT_FLOAT_EQ(p.sdcsca[2 * 1], 0.0f);

    auto& q = par;
    EXPECT_FLOAT_EQ(q.h(7, 1), 3.0f);
    EXPECT_FLOAT_EQ(q.h(1, 5), 0.1f);   // raised to a11
    EXPECT_FLOAT_EQ(q.h(11, 6), 0.1f);  // impervious: lowered to 1e-6, then raised to a11
    EXPECT_FLOAT_EQ(q.fpetm(1, 1), 0.7f * 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(q.et(12, 6), 7.5f);
    EXPECT_FLOAT_EQ(q.et(7, 3), 4.0f);

    EXPECT_EQ(p.numa, 0);
    EXPECT_EQ(p.nper, 1);
    EXPECT_EQ(p.kc, 5);
    EXPECT_EQ(p.maxn, 2000);
    EXPECT_EQ(p.errflg, 1);

    EXPECT_FLOAT_EQ(p.a5hgh, 0.999f);
    EXPECT_FLOAT_EQ(p.akfshgh[1], 91.0f);
    EXPECT_FLOAT_EQ(p.fratiodlt[3], 0.1f);
    EXPECT_FLOAT_EQ(p.ak2fshgh[1], 0.8f);
    EXPECT_FLOAT_EQ(p.gladjusthgh, 1.5f);
    EXPECT_FLOAT_EQ(p.baselow[2], -3.0f);
    EXPECT_FLOAT_EQ(p.flzhgh[3], 1.0e-3f);
    EXPECT_FLOAT_EQ(p.rlakehgh[2], 2.0f);
    EXPECT_FLOAT_EQ(p.smoothdishgh, 50.0f);

    // Per-cell copies: cells 1..naa by their river class; the receiving cell stays 0.
    ASSERT_EQ(p.per_cell[9].size(), 6u);
    EXPECT_FLOAT_EQ(p.per_cell[9][2], 12.6f);    // widep of river class 2
    EXPECT_FLOAT_EQ(p.per_cell[0][3], 3.0e-5f);  // flz of river class 3
    EXPECT_FLOAT_EQ(p.per_cell[12][3], 1.0f);    // rlake
    EXPECT_FLOAT_EQ(p.per_cell[9][5], 0.0f);

    // flgevp2 = 2: every cell carries the basin latitude.
    ASSERT_EQ(p.sin_lat.size(), 6u);
    EXPECT_NEAR(p.sin_lat[4], std::sin(48.5 * 3.1416 / 180.0), 1e-6);
    EXPECT_EQ(run.iopt, 0);
}

TEST_F(ReadPar, SectionsInAnyOrderReadTheSame) {
    parse(fixture());
    const ParameterSet before = par;

    // Move the global section to the end of the file.
    std::string text = fixture();
    const auto from = text.find(":GlobalParameters\n");
    const auto to =
        text.find(":EndGlobalParameters\n") + std::string(":EndGlobalParameters\n").size();
    const std::string global = text.substr(from, to - from);
    text.erase(from, to - from);
    text += global;
    restart();
    parse(text);
    const ParameterSet& p = par;
    EXPECT_FLOAT_EQ(p.a5, before.a5);
    EXPECT_FLOAT_EQ(p.lat, before.lat);
    EXPECT_FLOAT_EQ(p.flz[3], before.flz[3]);
    EXPECT_FLOAT_EQ(p.fratiohgh[2], before.fratiohgh[2]);
    EXPECT_FLOAT_EQ(p.smoothdishgh, before.smoothdishgh);
    EXPECT_EQ(p.kc, before.kc);
}

TEST_F(ReadPar, GlobalMarkerNeedsTwoBlanksAfterIt) {
    // Recognised: the line before the marker is outside the section.
    const std::string text = with(fixture(), ":a12,       0.0,", "");
    parse(":a12, 7.0\n" + text);
    EXPECT_FLOAT_EQ(par.a12, 0.0f);
    EXPECT_EQ(par.comments.size(), 6u);

    for (const char* marker : {":GlobalParameters,\n", ":GlobalParameters # start\n"}) {
        SCOPED_TRACE(marker);
        restart();
        // Not recognised: the section then runs from line 1, and no comments are kept.
        parse(":a12, 7.0\n" + with(text, ":GlobalParameters\n", marker));
        EXPECT_FLOAT_EQ(par.a12, 7.0f);
        EXPECT_FLOAT_EQ(par.a5, 0.985f);
        EXPECT_TRUE(par.comments.empty());
    }
}

TEST_F(ReadPar, LastMarkerCountsAndMissingStartMeansLineOne) {
    // A second start marker after the :flz line: the lines before it are not read.
    std::string text = with(fixture(), ":pwr,", ":RoutingParameters\n:pwr,");
    // Without its start marker the global snow limits section runs from line 1.
    text = with(text, ":GlobalSnowParLimits\n", "");
    parse(text);
    EXPECT_FLOAT_EQ(par.flz[1], 0.0f);
    EXPECT_FALSE(par.river_classes_given);
    EXPECT_FLOAT_EQ(par.pwr[2], 2.0f);
    EXPECT_FLOAT_EQ(par.fmadjustdlt, 0.1f);
    EXPECT_FLOAT_EQ(par.gladjusthgh, 1.5f);
}

TEST_F(ReadPar, ShortKeywordOfAnotherSectionCanBreakAMarkerlessSection) {
    // Without its start marker the switches section runs from line 1, where
    // ":kc" also matches the real-valued ":kcond" line of the routing section.
    const Stop s = parse_stop(with(fixture(), ":OptimizationSwitches\n", ""));
    EXPECT_EQ(s.lines.back(), "Program aborted in read_par_parser @ 610");
    EXPECT_NE(console().find("line 62 (:kcond)"), std::string::npos);
}

TEST_F(ReadPar, KeywordMatching) {
    std::string text = fixture();
    text = with(text, ":a1,     -999.0,", ":a1 -5.0");       // blank before the comma: ignored
    text = with(text, ":a2,        1.0,", ":a2,-3.5");       // comma straight on: read
    text = with(text, ":tton,      2.5,", ":TTON, 9.9");     // other case: ignored
    text = with(text, ":tempa2,   50.0,", " :tempa2, 9.9");  // indented: ignored
    text = with(text, ":alb,", ":albedo,");                  // 4 characters compared
    text = with(text, ":r4,", ":r4_impervious,");            // 3 characters compared
    text = with(text, ":ClassName, Forest,", ":ClassName, Coniferousforest,");
    text = with(text, ":EndHydrologicalParLimits",
                ":ak2schgh, 0.7, 0.7, 0.7, 0.7, 0.7, 0.7,\n:EndHydrologicalParLimits");
    parse(text);
    const ParameterSet& p = par;
    EXPECT_FLOAT_EQ(p.a1, 0.0f);
    EXPECT_FLOAT_EQ(p.a2, -3.5f);
    EXPECT_FLOAT_EQ(p.tton, 0.0f);
    EXPECT_FLOAT_EQ(p.tempa2, 0.0f);
    EXPECT_FLOAT_EQ(p.alb[4], 0.14f);
    EXPECT_FLOAT_EQ(p.r4[1], 10.0f);
    EXPECT_EQ(p.nclass[1], "Coniferous");
    EXPECT_FLOAT_EQ(p.ak2fshgh[3], 0.7f);  // the later alias line wins
}

TEST_F(ReadPar, SublimationRateSetsModeTwo) {
    parse(with(fixture(), ":sublim_factor, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6,",
               ":sublim_factor, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6,\n"
               ":sublim_rate, 48.0, 24.0, 0.0, 0.0, 0.0, 0.0,"));
    EXPECT_EQ(par.sublimation_mode, 2);
    EXPECT_FLOAT_EQ(par.sublim_rate[1], 2.0f);
    EXPECT_FLOAT_EQ(par.sublim_rate[2], 1.0f);
    for (int c = 1; c <= 6; ++c) EXPECT_FLOAT_EQ(par.sublim_factor[c], 0.0f);
}

TEST_F(ReadPar, SlashKeepsEarlierValuesAndExtraValuesAreIgnored) {
    std::string many = ":flz, 4.0E-05, 5.0E-05, 6.0E-05";
    for (int i = 0; i < 10000; ++i) many += ", 1.0";
    std::string text = with(fixture(), ":flz,     1.0E-05,  2.0E-05,  3.0E-05,", many);
    text = with(text, ":retn,     50.0,  60.0,", ":retn,     51.0,  / 60.0,");
    parse(text);
    EXPECT_FLOAT_EQ(par.flz[3], 6.0e-5f);
    EXPECT_FLOAT_EQ(par.retn[1], 51.0f);
    EXPECT_FLOAT_EQ(par.retn[2], 0.0f);
}

TEST_F(ReadPar, DebugLevelPrintsLineCountOnce) {
    const std::string text = with(fixture(), ":iopt,      0,", ":iopt,      1,");
    run.iopt = 0;
    parse(text);
    std::size_t lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(console(), "no of lines read in the par file = " + std::to_string(lines) + "\n");
    EXPECT_EQ(run.iopt, 0);
}

TEST_F(ReadPar, CommentsBeyondHundredAreNotKept) {
    std::string head;
    for (int i = 1; i <= 102; ++i) head += "# comment " + std::to_string(i) + "\n";
    parse(head + fixture(), "\n\n");
    EXPECT_EQ(par.comments.size(), 100u);
    EXPECT_EQ(par.comments[99], "# comment 100");
    EXPECT_EQ(count(console(), "GlobalParameter section exceeds 100\n"), 8u);  // 102 + 6 - 100
    EXPECT_TRUE(has_lines(
        console(), {"max number of comments in the parfile ", "GlobalParameter section exceeds 100",
                    "Rest of comments are not passed on", "Hit enter to continue"}));
}

TEST_F(ReadPar, CommentsAreCutTo72Characters) {
    parse("#" + std::string(100, 'x') + "\n" + fixture());
    ASSERT_FALSE(par.comments.empty());
    EXPECT_EQ(par.comments[0].size(), 72u);
}

TEST_F(ReadPar, RiverClassCountMustMatch) {
    b.basin.nrvr = 4;
    const Stop s = parse_stop(fixture());
    EXPECT_EQ(s.lines.back(), "Fatal error: program aborted in read_par_parser @ 173");
    EXPECT_TRUE(has_lines(console(), {"", "No of river classes in the par file does not match",
                                      "the number in the shd file", "shd file number = 4",
                                      "par file number = 3", ""}));
}

TEST_F(ReadPar, LandCoverClassCountMustMatch) {
    const Stop s = parse_stop(with(fixture(), ":LandCoverClasses, 6", ":LandCoverClasses, 0"));
    EXPECT_EQ(s.lines.back(), "progran aborted in write_par_10 @ 348");
    EXPECT_TRUE(has_lines(console(),
                          {"WARNING:", "no of land cover classes in this par file",
                           "classcount parfile= 0", "does not match", "the number in the shd file",
                           "classcount shd file= 6", "please check", "", "Hit enter to abort"}));
}

TEST_F(ReadPar, SplitClassesCountAsLandCoverClasses) {
    // Under nca choice 2 the run adds the split classes to the map's classes.
    b.basin.classcount = 6 + 1;
    const Stop s = parse_stop(fixture());
    EXPECT_EQ(s.lines.back(), "progran aborted in write_par_10 @ 348");
    EXPECT_NE(console().find("classcount shd file= 7\n"), std::string::npos);
}

TEST_F(ReadPar, ShortRiverClassLineStopsAfterTheSection) {
    const Stop s = parse_stop(
        with(fixture(), ":pwr,       2.5,      2.0,      1.5,", ":pwr,       2.5,      2.0,"));
    EXPECT_EQ(s.lines.back(), "Program aborted in read_par_parser @ 356");
    EXPECT_TRUE(has_lines(console(),
                          {"error in :RoutingParameters", "", "hit enter to abort the program"}));
    EXPECT_NE(console().find("line 53 (:pwr)"), std::string::npos);
}

TEST_F(ReadPar, BadValuesStopWithTheirSection) {
    struct Case {
        std::string_view from, to, abort;
    };
    const Case cases[] = {
        {":ds,        1.0,", ":ds,        one,", "Program aborted in read_par_parser @ 401"},
        {":ClassName, Forest,", ":ClassName, 'Forest,", "Program aborted in read_par_parser @ 401"},
        {":idump,     1,", ":idump,     1.5,", "Program aborted in read_par_parser @ 436"},
        {":IntCap_Jul, 3.0,", ":IntCap_Jul, x,", "Program aborted in read_par_parser @ 509"},
        {":Montly_ET_May, 2.0,", ":Montly_ET_May, 2.0.0,",
         "Program aborted in read_par_parser @ 593"},
        {":kc,        5,", ":kc,        five,", "Program aborted in read_par_parser @ 610"},
        // A failure in the API limits is reported with the hydrological limits.
        {":a5low,     0.9,", ":a5low,     nine,", "Program aborted in read_par_parser @ 685"},
        {":fmalowlow,   0.2,", ":fmalowlow,   ?,", "Program aborted in read_par_parser @ 720"},
        {":basedlt,   0.5,", ":basedlt,   0.5e,", "Program aborted in read_par_parser @ 749"},
        {":thetalow,  0.1,", ":thetalow,  --1,", "Program aborted in read_par_parser @ 797"},
        {":radinfllow,  50.0,", ":radinfllow,  fifty,", "Program aborted in read_par_parser @ 833"},
        {":iopt,      0,", ":iopt,      0.5,", "Program aborted in read_par_parser @ 322"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        restart();
        const Stop s = parse_stop(with(fixture(), c.from, c.to));
        ASSERT_FALSE(s.lines.empty());
        EXPECT_EQ(s.lines.back(), c.abort);
        EXPECT_NE(console().find("hit enter to abort the program\n"), std::string::npos);
        EXPECT_NE(console().find("Read error in basin_par.csv line "), std::string::npos);
    }
}

TEST_F(ReadPar, BadGlobalValueStopsAtOnceNamingLineAndKeyword) {
    const Stop s = parse_stop(with(fixture(), ":a6,      900.0,", ":a6,      nine,"));
    ASSERT_EQ(s.lines.size(), 3u);
    EXPECT_EQ(s.lines[0], "Read error in the parameter file basin_par.csv");
    EXPECT_EQ(s.lines[1], "line 19 (:a6): value 1 'nine' cannot be read");
    EXPECT_EQ(s.lines[2], "Program aborted in read_par_parser @ 322");
    EXPECT_EQ(console(), "");
}

TEST_F(ReadPar, MissingFileAndFolder) {
    try {
        read_par_parser("absent.csv", b.basin, 32, run);
        ADD_FAILURE() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.lines.back(), "Program aborted in read_par_parser @ 280");
    }
    EXPECT_EQ(console(),
              "\nFatal error\nAttempting to open the par file\nfile name absent.csv\n"
              "but it is not found (in this location)\n"
              "check for correct keyword and/or file name\n\n");

    out.str("");
    std::filesystem::create_directory("folder.csv");
    try {
        read_par_parser("folder.csv", b.basin, 32, run);
        ADD_FAILURE() << "no stop";
    } catch (const Stop& s) {
        EXPECT_EQ(s.lines.back(), " Program aborted in read_par_parser @ 289");
    }
    EXPECT_EQ(console(), " Error opening folder.csv\non unit= 32\n\n");
}

TEST_F(ReadPar, LongFileIsReadWhole) {
    std::string tail;
    tail.reserve(100000 * 12);
    for (int i = 0; i < 100000; ++i) tail += "# filler\n";
    // The last :GlobalParLimits section wins even 100 000 lines down.
    parse(fixture() + tail + ":GlobalParLimits\n:smoothdishgh, 40.0,\n:EndGlobalParLimits\n");
    EXPECT_FLOAT_EQ(par.smoothdishgh, 40.0f);
    EXPECT_FLOAT_EQ(par.smoothdislow, 0.0f);
}

TEST_F(ReadPar, NoLandCoverClassesStops) {
    b.basin.classcount = 0;
    const Stop s = parse_stop(fixture());
    EXPECT_EQ(s.lines.back(), "Program aborted in read_par_parser");
}

TEST_F(ReadPar, GlobalParLimitsAbsentSetsStepsAndWarns) {
    std::string text = fixture();
    text.erase(text.find(":GlobalParLimits\n"));
    parse(text);
    EXPECT_FLOAT_EQ(par.rlapsedlt, -1.0f);
    EXPECT_FLOAT_EQ(par.smoothdisdlt, -1.0f);
    EXPECT_EQ(console(),
              "WARNING:\nNew section of GlobalParLimits not found\nin the par file.\n"
              "rlapsedlt,tlapsedlt,radinfldlt & smoothdist\n"
              "set - -1.0  <<<<<<<<<<<<<<<<<<<<<<<<<<<<<<\n\n");
}

}  // namespace
