#include "output/overview.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <tuple>

#include "basin_builder.hpp"
#include "output/outputs.hpp"
#include "test_support.hpp"

namespace {

using namespace overview;

Window window(int south, int west, int rows, int cols) {
    Window w;
    w.south = south;
    w.west = west;
    w.rows = rows;
    w.cols = cols;
    return w;
}

TEST(OverviewFrame, SquaresLandNorthUp) {
    // Rows 4..7 and columns 6..11 of 1 km squares in a 600 x 600 box at (20, 70).
    const Frame f = fit_frame(window(3, 5, 4, 6), 1000, 1000, 600, 600, 20, 70);
    EXPECT_DOUBLE_EQ(f.sx, 100);
    EXPECT_DOUBLE_EQ(f.sy, 100);
    struct Case {
        int row, col;
        bool centre;
        double x, y;
    };
    for (const Case& c : {Case{7, 6, false, 20, 70},    // north-west corner
                          Case{4, 11, true, 570, 420},  // south-east centre
                          Case{4, 6, false, 20, 370},   // the south row lowest
                          Case{7, 11, true, 570, 120}}) {
        const Point p = c.centre ? f.centre(c.row, c.col) : f.corner(c.row, c.col);
        EXPECT_DOUBLE_EQ(p.x, c.x) << c.row << "," << c.col;
        EXPECT_DOUBLE_EQ(p.y, c.y) << c.row << "," << c.col;
    }
    EXPECT_DOUBLE_EQ(f.width(), 600);
    EXPECT_DOUBLE_EQ(f.height(), 400);
}

TEST(OverviewFrame, KeepsGroundProportionsAndSurvivesBadSizes) {
    // Squares twice as tall as wide: the height fills the box.
    Frame f = fit_frame(window(0, 0, 10, 10), 500, 1000, 400, 400, 0, 0);
    EXPECT_DOUBLE_EQ(f.height(), 400);
    EXPECT_DOUBLE_EQ(f.width(), 200);
    // No rows, no ground size: one square units, nothing infinite.
    f = fit_frame(window(0, 0, 0, 0), 0, -1, 400, 400, 0, 0);
    EXPECT_EQ(f.rows, 1);
    EXPECT_DOUBLE_EQ(f.sx, 400);
    EXPECT_DOUBLE_EQ(f.sy, 400);
    // Geographic squares: their ground size at the centre of the grid.
    MapHeader h;
    h.projection = *parse_map_projection("LATLONG");
    h.xdelta = h.ydelta = 0.01f;
    h.yorigin = 60;
    h.ycount = 2;
    const Point given = ground_square(h, 0.5, 1.1), computed = ground_square(h, 0, 0);
    EXPECT_DOUBLE_EQ(given.x, 500);
    EXPECT_DOUBLE_EQ(given.y, 1100);
    EXPECT_NEAR(computed.x / computed.y, 0.5, 0.01);  // cos 60 degrees
}

// Grids of rows x cols with the whole grid in the watershed.
struct Layers {
    Layers(int rows, int cols)
        : elev(rows, cols, 1.0f), rank(rows, cols, 1), reach(rows, cols, 0) {}
    Blocks blocks(int receiving_from = 1 << 30) const {
        return aggregate(elev, rank, reach, window(0, 0, elev.rows(), elev.cols()), receiving_from);
    }
    Grid<float> elev;
    Grid<int> rank, reach;
};

TEST(OverviewRaster, BlockCounts) {
    struct Case {
        int rows, cols, k, width, height;
    };
    for (const Case& c : {Case{1, 1, 1, 1, 1}, Case{512, 512, 1, 512, 512}, Case{513, 3, 2, 2, 257},
                          Case{4000, 5, 8, 1, 500}, Case{7, 4000, 8, 500, 1}}) {
        const Blocks b = Layers(c.rows, c.cols).blocks();
        EXPECT_EQ(b.k, c.k) << c.rows << " x " << c.cols;
        EXPECT_EQ(b.width, c.width) << c.rows << " x " << c.cols;
        EXPECT_EQ(b.height, c.height) << c.rows << " x " << c.cols;
        EXPECT_EQ(b.tint.size(), static_cast<std::size_t>(c.width) * c.height);
    }
    EXPECT_EQ(block_size(0, 0), 1);
}

TEST(OverviewRaster, BlocksAverageTheWatershedSquaresNorthFirst) {
    // 514 rows: blocks of 2 x 2, the north-west block holding rows 513-514.
    Layers g(514, 4);
    g.elev(514, 1) = 1, g.elev(514, 2) = 2, g.elev(513, 1) = 3, g.elev(513, 2) = 6;
    g.elev(514, 3) = 100, g.rank(514, 3) = 0;  // outside: not averaged
    g.elev(514, 4) = 10, g.elev(513, 3) = 10, g.elev(513, 4) = 40;
    for (int i = 1; i <= 2; ++i)  // the south-west block: outside the watershed
        for (int j = 1; j <= 2; ++j) g.rank(i, j) = 0;
    g.reach(3, 1) = g.reach(4, 2) = 5;  // half a block of reaches: a lake
    g.rank(4, 4) = 9;                   // a receiving cell
    const Blocks b = g.blocks(9);
    EXPECT_FLOAT_EQ(b.mean[0], 3.0f);
    EXPECT_FLOAT_EQ(b.mean[1], 20.0f);
    const std::size_t south = 256 * 2;
    EXPECT_EQ(b.tint[0], Tint::land);
    EXPECT_EQ(b.tint[south], Tint::outside);
    EXPECT_EQ(b.tint[south - 2], Tint::lake);
    EXPECT_EQ(b.tint[south - 1], Tint::receiving);
    EXPECT_FLOAT_EQ(b.lo, 1.0f);  // the range of the blocks drawn
    EXPECT_FLOAT_EQ(b.hi, 20.0f);
    const std::vector<std::uint8_t> px = palette_indices(b);
    EXPECT_EQ(px[south], 0);  // transparent
    EXPECT_EQ(px[south - 2], 1);
    EXPECT_EQ(px[south - 1], 2);
    EXPECT_EQ(px[1], 255);  // the highest block at the top of the ramp
    EXPECT_LT(px[0], px[1]);
    EXPECT_GE(px[0], kRampFirst);
    // Flat ground takes the middle of the ramp.
    EXPECT_EQ(palette_indices(Layers(3, 3).blocks())[4], kRampFirst + (255 - kRampFirst + 1) / 2);
}

std::uint32_t be32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k) v = v << 8 | static_cast<unsigned char>(s[at + k]);
    return v;
}

struct Chunk {
    std::string type, data;
};
std::vector<Chunk> chunks(const std::string& png) {
    std::vector<Chunk> out;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t n = be32(png, at);
        Chunk c{png.substr(at + 4, 4), png.substr(at + 8, n)};
        EXPECT_EQ(be32(png, at + 8 + n), crc32(c.type + c.data)) << c.type;
        out.push_back(c);
        at += 12 + n;
    }
    return out;
}

TEST(OverviewPng, ChecksumsOfKnownStrings) {
    EXPECT_EQ(crc32(""), 0u);
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(crc32("IEND"), 0xAE426082u);
    EXPECT_EQ(adler32(""), 1u);
    EXPECT_EQ(adler32("Wikipedia"), 0x11E60398u);
    EXPECT_EQ(adler32(std::string(100000, '\xff')), 0x149A302Cu);  // past the 5552-byte runs
    for (const auto& [in, out] : std::vector<std::pair<std::string, std::string>>{
             {"", ""},
             {"M", "TQ=="},
             {"Ma", "TWE="},
             {"Man", "TWFu"},
             {std::string("\xff\xfe\xfd\0", 4), "//79AA=="}})
        EXPECT_EQ(base64(in), out) << in;
}

TEST(OverviewPng, ChunkLayoutOfARepeatedPalettePicture) {
    const std::string png = encode_png(3, 2, {0, 1, 2, 3, 4, 5}, palette(), 2);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    const std::vector<Chunk> c = chunks(png);
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0].type, "IHDR");
    EXPECT_EQ(be32(c[0].data, 0), 6u);  // each index 2 x 2 pixels
    EXPECT_EQ(be32(c[0].data, 4), 4u);
    EXPECT_EQ(c[0].data.substr(8), std::string("\x08\x03\x00\x00\x00", 5));
    EXPECT_EQ(c[1].type, "PLTE");
    EXPECT_EQ(c[1].data.size(), 768u);
    EXPECT_EQ(c[2].type, "tRNS");
    EXPECT_EQ(c[2].data, std::string(1, '\0'));
    EXPECT_EQ(c[3].type, "IDAT");
    EXPECT_EQ(c[4].type, "IEND");
    EXPECT_TRUE(c[4].data.empty());
    // zlib: its header, and the Adler-32 of the unfiltered rows at the end.
    std::string raw;
    for (const char* row : {"\0\0\0\1\1\2\2", "\0\3\3\4\4\5\5"})
        for (int k = 0; k < 2; ++k) raw.append(row, 7);
    EXPECT_EQ(c[3].data.substr(0, 2), "\x78\x01");
    EXPECT_EQ(be32(c[3].data, c[3].data.size() - 4), adler32(raw));
    // No pixels: one transparent pixel.
    EXPECT_EQ(be32(chunks(encode_png(0, 5, {}, palette()))[0].data, 0), 1u);
}

TEST(OverviewPng, RepeatsShrinkAndNoiseIsStored) {
    // Uniform ground packs into runs and repeated rows.
    const std::vector<std::uint8_t> flat(64 * 64, 7);
    const std::string small = chunks(encode_png(64, 64, flat, palette(), 8))[3].data;
    EXPECT_LT(small.size(), 3000u);  // of 262 kB
    // Noise does not pack: it is stored, block by block, as it is.
    std::vector<std::uint8_t> noise(300 * 300);
    std::mt19937 rng(3);
    for (auto& v : noise) v = static_cast<std::uint8_t>(rng());
    const std::string z = chunks(encode_png(300, 300, noise, palette()))[3].data;
    std::string raw, stored;
    for (std::size_t y = 0; y < 300; ++y) {
        raw.push_back('\0');
        raw.append(reinterpret_cast<const char*>(noise.data()) + y * 300, 300);
    }
    for (std::size_t at = 2; at + 4 < z.size();) {  // BFINAL/BTYPE, LEN, NLEN, data
        EXPECT_EQ(z[at] & 6, 0) << "not a stored block";
        const std::size_t n = static_cast<unsigned char>(z[at + 1]) |
                              static_cast<std::size_t>(static_cast<unsigned char>(z[at + 2])) << 8;
        stored += z.substr(at + 5, n);
        at += 5 + n;
    }
    EXPECT_EQ(stored, raw);
    EXPECT_EQ(pixel_repeat(34, 21), 15);
    EXPECT_EQ(pixel_repeat(500, 10), 1);
}

TEST(OverviewRivers, TheThresholdKeepsTheSegmentCap) {
    constexpr double largest = 1000;
    EXPECT_EQ(area_bin(largest, largest), kAreaBins - 1);
    EXPECT_EQ(area_bin(largest / 2, largest), kAreaBins - 17);
    EXPECT_EQ(area_bin(0, largest), 0);
    EXPECT_EQ(area_bin(1e-300, largest), 0);
    EXPECT_EQ(area_bin(5, 0), 0);
    EXPECT_EQ(segment_cap(0), 64u);
    EXPECT_EQ(segment_cap(1000), 250u);
    EXPECT_EQ(segment_cap(16000000), 15000u);

    std::array<std::uint32_t, kAreaBins> counts{};
    EXPECT_EQ(lowest_drawn_bin(counts, 10), 0);  // nothing to draw: all of it
    counts[kAreaBins - 1] = 1;
    counts[kAreaBins - 2] = 4;
    counts[900] = 5;
    counts[10] = 100;
    struct Case {
        std::size_t cap;
        int lowest;
    };
    for (const Case& c : {Case{0, kAreaBins}, Case{4, kAreaBins - 1}, Case{9, 901}, Case{10, 11},
                          Case{109, 11}, Case{110, 0}})
        EXPECT_EQ(lowest_drawn_bin(counts, c.cap), c.lowest) << c.cap;
}

TEST(OverviewNumbers, TicksScaleBarsAndText) {
    EXPECT_EQ(nice_ticks(0, 20, 5), (std::vector<double>{0, 5, 10, 15, 20}));
    EXPECT_EQ(nice_ticks(289.2, 465.3, 5), (std::vector<double>{300, 350, 400, 450}));
    EXPECT_EQ(nice_ticks(-0.3, 0.3, 3), (std::vector<double>{-0.2, 0, 0.2}));
    EXPECT_EQ(nice_ticks(7, 7, 5), (std::vector<double>{7}));
    EXPECT_TRUE(nice_ticks(NAN, 1, 5).empty());
    for (const auto& [x, r] : std::vector<std::pair<double, double>>{
             {8.5, 5}, {190, 100}, {2, 2}, {0.031, 0.02}, {0, 0}, {-4, 0}})
        EXPECT_DOUBLE_EQ(round_down_nice(x), r) << x;
    for (const auto& [v, text] : std::vector<std::pair<double, std::string>>{{12.34, "12.3"},
                                                                             {5.0, "5"},
                                                                             {-0.04, "0"},
                                                                             {NAN, "0"},
                                                                             {INFINITY, "0"},
                                                                             {-7.25, "-7.2"}}) {
        std::string s;
        put_number(s, v);
        EXPECT_EQ(s, text) << v;
    }
    EXPECT_EQ(tick_label(0.30000000000000004, 0.1), "0.3");
    EXPECT_EQ(tick_label(1500, 500), "1500");
    EXPECT_EQ(length_label(500), "500 m");
    EXPECT_EQ(length_label(20000), "20 km");
    EXPECT_EQ(xml_text("a&b<c>\"'"), "a&amp;b&lt;c&gt;&quot;&apos;");
    EXPECT_EQ(xml_text("km\xc2\xb2 \x01\xff\xc3"), "km\xc2\xb2 ???");
    EXPECT_EQ(xml_text("\xed\xa0\x80"), "???");  // a surrogate
}

// The picture of a basin, drawn in a scratch folder.
struct Drawn {
    std::string svg;
    bool said = false;
};
Drawn draw(const WrittenBasin& b, const RiverProfiles& profiles) {
    zeltest::WorkFolder folder;
    zeltest::TestRun t;
    write_overview(b, profiles, t.run);
    t.publish();
    std::ifstream f("zel_overview.svg", std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return {s.str(), t.said("zel_overview.svg written")};
}

// The element of this id up to its end (a group: up to its first "</g>").
std::string element(const std::string& svg, const std::string& id) {
    const auto at = svg.find("id=\"" + id + "\"");
    if (at == std::string::npos) return {};
    const auto end = svg.find(svg.compare(at - 3, 2, "<g") == 0 ? "</g>" : "/>", at);
    return svg.substr(at, end - at);
}
std::string attribute(const std::string& text, const std::string& name) {
    const auto from = text.find(" " + name + "=\"");
    if (from == std::string::npos) return {};
    const auto start = from + name.size() + 3;
    return text.substr(start, text.find('"', start) - start);
}
std::vector<double> numbers_in(const std::string& text) {
    std::vector<double> v;
    for (const char* at = text.c_str(); *at;) {
        char* end = nullptr;
        const bool starts = std::isdigit(static_cast<unsigned char>(*at)) ||
                            (*at == '-' && std::isdigit(static_cast<unsigned char>(at[1])));
        if (starts) v.push_back(std::strtod(at, &end));
        at = starts ? end : at + 1;
    }
    return v;
}

// Main stem 1 -> 3 -> 5 -> 7 -> 8 -> 9 (receiving); 2 -> 4 -> 5; 6 -> 8.
zeltest::WrittenProducts small_basin() {
    zeltest::WrittenProducts p{zeltest::BasinBuilder(5, 6)};
    p.set_cells(zeltest::stem_cells(), 1);
    for (int n = 1; n <= 8; ++n) p.net.da(p.net.row[n], p.net.col[n]) = static_cast<float>(n);
    p.basin.map.reach(2, 2) = 1;
    return p;
}

TEST(Overview, DrawsTheBasinItsRiversAndTheMainProfile) {
    zeltest::WrittenProducts p = small_basin();
    p.basin.answers.outlets = {8};
    p.basin.answers.inlets = {2};
    RiverProfiles profiles;
    profiles.profiles = {{{4, 2, 5000, 90}, {4, 3, 4000, 70}, {3, 3, 3000, 50}},
                         {{2, 2, 2000, 80}}};
    const Drawn d = draw(p.written(), profiles);
    EXPECT_TRUE(d.said);
    const std::string& svg = d.svg;
    EXPECT_NE(svg.find("zelm.map: 9 cells, 8.0 km\xc2\xb2"), std::string::npos);
    EXPECT_NE(svg.find("chosen outlet at 4500.000, 2500.000 (row 3, column 5)"), std::string::npos);
    EXPECT_EQ(zeltest::count(svg, "<image"), 1u);
    EXPECT_EQ(zeltest::count(element(svg, "outlets"), "<circle"), 1u);
    EXPECT_EQ(zeltest::count(element(svg, "inlets"), "<circle"), 1u);
    EXPECT_EQ(zeltest::count(element(svg, "receiving"), "<circle"), 1u);
    // The main profile through square centres: east along row 4, then one row
    // south, which is lower on the picture.
    const std::vector<double> pts = numbers_in(attribute(element(svg, "main-profile"), "points"));
    ASSERT_EQ(pts.size(), 6u);
    const double side = pts[2] - pts[0];
    EXPECT_GT(side, 10);
    EXPECT_DOUBLE_EQ(pts[3], pts[1]);
    EXPECT_DOUBLE_EQ(pts[4], pts[2]);
    EXPECT_NEAR(pts[5] - pts[3], side, 0.11);
    // Eight links, each from a square centre to its neighbour's.
    const std::string rivers = element(svg, "rivers");
    std::vector<double> ends;  // x0 y0 x1 y1 of each link
    for (auto at = rivers.find(" d=\""); at != std::string::npos; at = rivers.find(" d=\"", at + 1))
        for (double v : numbers_in(attribute(rivers.substr(at), "d"))) ends.push_back(v);
    ASSERT_EQ(ends.size(), 8u * 4);
    for (std::size_t k = 0; k < ends.size(); k += 4)
        EXPECT_NEAR(std::hypot(ends[k + 2] - ends[k], ends[k + 3] - ends[k + 1]), side, 0.15);
}

// The picture without its embedded raster, and its size from the viewBox.
std::string without_raster(const std::string& svg) {
    const auto at = svg.find("base64,");
    return at == std::string::npos ? svg : svg.substr(0, at) + svg.substr(svg.find('"', at));
}
std::vector<double> picture_size(const std::string& svg) {
    return numbers_in(attribute(svg.substr(svg.find("<svg")), "viewBox"));
}

// A picture for each odd case: drawn, sized, and free of NaN and infinity.
TEST(Overview, OddBasinsStillMakeAPicture) {
    using Make = std::function<zeltest::WrittenProducts()>;
    RiverProfiles flat_profile;
    flat_profile.profiles = {{{4, 2, 0, 50}, {4, 3, 0, 50}}, {}};
    const std::vector<std::tuple<const char*, Make, RiverProfiles>> cases{
        {"one square, no basin",
         [] { return zeltest::WrittenProducts{zeltest::BasinBuilder(1, 1)}; },
         {}},
        {"flat, a profile of no length",
         [] {
             auto p = small_basin();
             p.basin.map.elev.fill(50.0f);
             return p;
         },
         flat_profile},
        {"no drainage areas, two outlets",
         [] {
             auto p = small_basin();
             p.net.da.fill(0.0f);
             p.shed.lastgrid = {9, 5};
             return p;
         },
         {}},
        {"geographic, tall and thin",
         [] {
             zeltest::WrittenProducts p{zeltest::BasinBuilder(300, 1, 0.01f)};
             p.basin.map.hdr.projection = *parse_map_projection("LATLONG");
             p.basin.map.hdr.yorigin = 45;
             p.set_cells({{2, 1, 2}, {1, 1, 0}}, 1);
             return p;
         },
         {}},
    };
    for (const auto& [name, make, profiles] : cases) {
        const zeltest::WrittenProducts p = make();
        const Drawn d = draw(p.written(), profiles);
        EXPECT_TRUE(d.said) << name;
        const std::string text = without_raster(d.svg);
        for (const char* bad : {"nan", "inf", "NaN", "e+0"})
            EXPECT_EQ(text.find(bad), std::string::npos) << name << ": " << bad;
        const std::vector<double> size = picture_size(d.svg);
        ASSERT_EQ(size.size(), 4u) << name;
        EXPECT_GT(size[2], 100) << name;
        EXPECT_GT(size[3], 100) << name;
    }
}

// A large basin as the picture sees it, and nothing more: N x N squares of
// 1 km, every column draining south to row 1, which drains east to the
// receiving square (1, N); random elevations, so the raster does not pack.
struct LargeBasin : zeltest::BareProducts {
    explicit LargeBasin(int n) {
        map.hdr.projection = *parse_map_projection("UTM");
        map.hdr.xcount = map.hdr.ycount = n;
        map.hdr.xdelta = map.hdr.ydelta = 1000;
        map.elev.assign(n, n, 0.0f);
        map.reach.assign(n, n, 0);
        net.na = n * n;
        net.naa = net.na - 1;
        net.row.assign(static_cast<std::size_t>(net.na) + 1, 0);
        net.col = net.row;
        net.da.assign(n, n, 0.0f);
        net.areas.frac.assign(n, n, 1.0e6f);
        shed.rank.assign(n, n, 0);
        shed.next.assign(n, n, 0);
        std::mt19937 rng(11);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) {
                const int k = i >= 2 ? (n - i) * n + j : (n - 1) * n + j;
                net.row[static_cast<std::size_t>(k)] = i;
                net.col[static_cast<std::size_t>(k)] = j;
                shed.rank(i, j) = k;
                shed.next(i, j) = i >= 2 ? k + n : j < n ? k + 1 : 0;
                net.da(i, j) = static_cast<float>(i >= 2 ? n - i + 1 : j * n);
                map.elev(i, j) = static_cast<float>(rng() % 2000);
            }
        shed.old_number.resize(static_cast<std::size_t>(net.na) + 1);
        for (std::size_t k = 0; k < shed.old_number.size(); ++k)
            shed.old_number[k] = static_cast<int>(k);
        shed.cells = net.na;
        shed.receiving = 1;
        shed.lastgrid = {net.na};
        shed.window.rows = shed.window.cols = n;
        answers.map_file = "large.map";
    }
};

// Every bound of the picture is reached at 2000 x 2000 (blocks of 4 squares,
// 4 million links for 15000 segments, a profile of 100000 points), so a
// larger grid adds time but not size; 4000 x 4000 would need 0.6 GB here.
TEST(Overview, StaysUnderTwoMegabytesOnALargeBasin) {
    const LargeBasin b(2000);
    RiverProfiles profiles(false, std::vector<std::vector<ProfilePoint>>(10));
    for (int k = 0; k < 100000; ++k)
        profiles.profiles[0].push_back({2 + k / 2000 % 1998, 1 + k % 2000,
                                        static_cast<float>(k) * 1000.0f,
                                        static_cast<float>(k % 977)});
    const auto start = std::chrono::steady_clock::now();
    const Drawn d = draw(b.written(), profiles);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("svg_bytes", static_cast<int>(d.svg.size()));
    RecordProperty("milliseconds", static_cast<int>(seconds * 1000));
    EXPECT_LT(d.svg.size(), 2'000'000u);
    const std::size_t segments = zeltest::count(element(d.svg, "rivers"), "M");
    EXPECT_LE(segments, 15000u);
    EXPECT_GT(segments, 1000u);
    EXPECT_LE(numbers_in(attribute(element(d.svg, "main-profile"), "points")).size(), 2 * 20001u);
}

}  // namespace
