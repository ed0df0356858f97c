// zel_overview.svg: the written watershed on its elevations, its rivers, the
// main profile, outlets and inlets, and a panel of the river profiles.
#include "output/overview.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/console.hpp"
#include "common/run.hpp"
#include "output/output_support.hpp"
#include "output/outputs.hpp"

namespace {

using namespace overview;

constexpr double kMargin = 20, kMapTop = 72, kMapBox = 760;
constexpr double kChartW = 440, kChartH = 280, kChartLeftRoom = 64;
constexpr const char* kRiver = "#1f4fd1";
constexpr const char* kHighlight = "#e0218a";
constexpr std::array<const char*, 10> kProfileColours = {
    kHighlight, "#1f77b4", "#ff7f0e", "#2ca02c", "#d62728",
    "#9467bd",  "#8c564b", "#17becf", "#7f7f7f", "#bcbd22"};
// Points of a polyline drawn at most: a longer one is thinned.
constexpr std::size_t kMostMapPoints = 20000, kMostChartPoints = 1000;

struct Svg {
    std::string s;
    Svg& operator<<(std::string_view t) {
        s += t;
        return *this;
    }
    Svg& operator<<(double v) {
        put_number(s, v);
        return *this;
    }
    Svg& operator<<(Point p) { return *this << p.x << " " << p.y; }
};

std::string hex(const Rgb& c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, std::isfinite(v) ? v : 0.0);
    return buf;
}

// The map position of a whole-map cell number, when it names a cell.
bool cell_square(const Network& net, int n, int& row, int& col) {
    if (n < 1 || n > net.na || static_cast<std::size_t>(n) >= net.row.size()) return false;
    row = net.row[static_cast<std::size_t>(n)];
    col = net.col[static_cast<std::size_t>(n)];
    return row >= 1 && col >= 1;
}

std::string title_lines(const WrittenBasin& b) {
    const Window& w = b.shed.window;
    double area_m2 = 0;
    for (int i = w.row0(); i <= w.row1(); ++i)
        for (int j = w.col0(); j <= w.col1(); ++j) area_m2 += out::written_frac(b, i, j);
    const MapHeader& h = b.map.hdr;
    // The outlet: the chosen one, or the watershed's receiving cell.
    int row = 0, col = 0;
    const bool chosen = !b.answers.outlets.empty();
    const bool found =
        chosen ? cell_square(b.net, b.answers.outlets.front(), row, col)
               : !b.shed.lastgrid.empty() && cell_square(b.net, b.shed.lastgrid.front(), row, col);
    const int decimals = out::is_latlong(h) ? 6 : 3;
    std::string where = "no outlet cell";
    if (found)
        where = std::string(chosen ? "chosen outlet" : "outlet") + " at " +
                fixed((col - 0.5) * h.xdelta + h.xorigin, decimals) + ", " +
                fixed((row - 0.5) * h.ydelta + h.yorigin, decimals) + " (row " +
                std::to_string(row) + ", column " + std::to_string(col) + ")";
    Svg t;
    t << "<text x=\"" << kMargin << "\" y=\"30\" font-size=\"18\" font-weight=\"bold\">"
      << xml_text(b.answers.map_file) << ": " << b.shed.cells << " cells, "
      << fixed(area_m2 / 1e6, 1) << " km\xc2\xb2</text>\n";
    t << "<text x=\"" << kMargin << "\" y=\"52\" font-size=\"13\">" << where << "; "
      << xml_text(h.projection.text) << ", " << w.rows << " rows x " << w.cols
      << " columns written</text>\n";
    return t.s;
}

std::string background(const Blocks& blocks, const Frame& f) {
    const std::string png = encode_png(blocks.width, blocks.height, palette_indices(blocks),
                                       palette(), pixel_repeat(blocks.width, blocks.height));
    Svg t;
    t << "<clipPath id=\"window\"><rect x=\"" << f.left << "\" y=\"" << f.top << "\" width=\""
      << f.width() << "\" height=\"" << f.height() << "\"/></clipPath>\n";
    t << "<rect x=\"" << f.left << "\" y=\"" << f.top << "\" width=\"" << f.width()
      << "\" height=\"" << f.height() << "\" fill=\"#eeeeee\"/>\n";
    t << "<image id=\"background\" clip-path=\"url(#window)\" x=\"" << f.left << "\" y=\"" << f.top
      << "\" width=\"" << blocks.width * blocks.k * f.sx << "\" height=\""
      << blocks.height * blocks.k * f.sy
      << "\" preserveAspectRatio=\"none\" image-rendering=\"optimizeSpeed\" "
         "style=\"image-rendering:pixelated\" xlink:href=\"data:image/png;base64,"
      << base64(png) << "\"/>\n";
    t << "<rect x=\"" << f.left << "\" y=\"" << f.top << "\" width=\"" << f.width()
      << "\" height=\"" << f.height() << "\" fill=\"none\" stroke=\"#888888\"/>\n";
    return t.s;
}

// The written links from each cell to its downstream cell, for the cells
// whose drainage area is among the largest: at most segment_cap of them, in
// four widths.
std::string rivers(const WrittenBasin& b, const Frame& f) {
    const Watershed& shed = b.shed;
    const Network& net = b.net;
    const Window& w = shed.window;
    const Grid<float>& da = b.nca.in_use ? net.contrib_da : net.da;
    if (da.rows() != shed.rank.rows() || da.cols() != shed.rank.cols()) return {};
    // Whether a square has a written link, and the downstream square of it.
    auto linked = [&](int i, int j) {
        const int to = shed.next(i, j);
        return shed.rank(i, j) >= 1 && to >= 1 && to <= shed.cells &&
               static_cast<std::size_t>(to) < shed.old_number.size();
    };
    auto downstream = [&](int i, int j, int& ti, int& tj) {
        return cell_square(net, shed.old_number[static_cast<std::size_t>(shed.next(i, j))], ti, tj);
    };
    auto each_linked = [&](auto&& use) {
        for (int i = w.row0(); i <= w.row1(); ++i)
            for (int j = w.col0(); j <= w.col1(); ++j)
                if (linked(i, j)) use(i, j, static_cast<double>(da(i, j)));
    };
    double largest = 0;
    each_linked([&](int, int, double a) { largest = std::max(largest, a); });
    std::array<std::uint32_t, kAreaBins> counts{};
    each_linked([&](int, int, double a) { ++counts[static_cast<std::size_t>(area_bin(a, largest))]; });
    const int lowest = lowest_drawn_bin(counts, segment_cap(shed.in_basin()));
    int first = lowest;  // the lowest bin holding a drawn link
    while (first < kAreaBins && counts[static_cast<std::size_t>(first)] == 0) ++first;
    if (first >= kAreaBins) return {};

    // Only the drawn links (a few thousand) look up where they lead.
    std::array<Svg, 4> paths;
    const int span = kAreaBins - first;
    each_linked([&](int i, int j, double a) {
        const int bin = area_bin(a, largest);
        int ti = 0, tj = 0;
        if (bin < first || !downstream(i, j, ti, tj)) return;
        paths[static_cast<std::size_t>(std::min(3, (bin - first) * 4 / span))]
            << "M" << f.centre(i, j) << "L" << f.centre(ti, tj);
    });
    const double base = std::clamp(0.12 * std::min(f.sx, f.sy), 0.6, 2.0);
    constexpr double kWidths[4] = {1.0, 1.7, 2.6, 3.6};
    Svg t;
    t << "<g id=\"rivers\" fill=\"none\" stroke=\"" << kRiver
      << "\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
    for (std::size_t c = 0; c < paths.size(); ++c)
        if (!paths[c].s.empty())
            t << "<path stroke-width=\"" << base * kWidths[c] << "\" d=\"" << paths[c].s
              << "\"/>\n";
    t << "</g>\n";
    return t.s;
}

std::string main_profile(const RiverProfiles& profiles, const Frame& f) {
    if (profiles.profiles.empty() || profiles.profiles.front().empty()) return {};
    const auto& line = profiles.profiles.front();
    Svg t;
    t << "<polyline id=\"main-profile\" fill=\"none\" stroke=\"" << kHighlight
      << "\" stroke-width=\"" << std::clamp(0.25 * std::min(f.sx, f.sy), 3.0, 8.0)
      << "\" stroke-linecap=\"round\" stroke-linejoin=\"round\" points=\"";
    thinned(line.size(), kMostMapPoints,
            [&](std::size_t k) { t << f.centre(line[k].row, line[k].col) << " "; });
    t.s.back() = '"';
    t << "/>\n";
    return t.s;
}

// Rings on the outlets' receiving cells, and dots on the chosen outlets and inlets.
std::string markers(const WrittenBasin& b, const Frame& f) {
    constexpr std::size_t kMost = 1000;
    const double r = std::clamp(0.45 * std::min(f.sx, f.sy), 4.0, 12.0);
    Svg t;
    auto put = [&](const std::vector<int>& cells, const char* id, const char* shape) {
        t << "<g id=\"" << id << "\" " << shape << ">";
        for (std::size_t k = 0; k < cells.size() && k < kMost; ++k) {
            int row = 0, col = 0;
            if (!cell_square(b.net, cells[k], row, col)) continue;
            const Point c = f.centre(row, col);
            t << "<circle cx=\"" << c.x << "\" cy=\"" << c.y << "\" r=\"" << r << "\"/>";
        }
        t << "</g>\n";
    };
    put(b.shed.lastgrid, "receiving", "fill=\"none\" stroke=\"#000000\" stroke-width=\"2\"");
    put(b.answers.outlets, "outlets", "fill=\"#ffd400\" stroke=\"#000000\"");
    put(b.answers.inlets, "inlets", "fill=\"#00c8c8\" stroke=\"#000000\"");
    return t.s;
}

// A scale bar of a round length near a quarter of the map, and a north arrow.
std::string scale_and_north(const Frame& f, Point ground, double y) {
    const double metres_per_px = ground.x / f.sx;
    const double target = std::clamp(f.width() / 4, 60.0, 200.0);
    const double metres = round_down_nice(target * metres_per_px);
    const double len = metres > 0 ? metres / metres_per_px : 0;
    const double x = f.left;
    Svg t;
    t << "<g id=\"scale\" font-size=\"12\"><rect x=\"" << x << "\" y=\"" << y << "\" width=\""
      << len << "\" height=\"6\" fill=\"#000000\"/><text x=\"" << x << "\" y=\"" << y + 20 << "\">"
      << length_label(metres) << "</text></g>\n";
    const double nx = x + std::max(len, 60.0) + 40;
    t << "<g id=\"north\"><path d=\"M" << Point{nx, y - 14} << "L" << Point{nx + 7, y + 8} << "L"
      << Point{nx, y + 3} << "L" << Point{nx - 7, y + 8} << "Z\" fill=\"#000000\"/><text x=\"" << nx
      << "\" y=\"" << y + 24
      << "\" text-anchor=\"middle\" font-size=\"13\" font-weight=\"bold\">N</text></g>\n";
    return t.s;
}

// Chainage (km) against elevation, one line a profile, at (left, top).
std::string profile_chart(const RiverProfiles& profiles, double left, double top) {
    double cmax = 0, elo = 0, ehi = 0;
    bool any = false;
    for (const auto& p : profiles.profiles)
        for (const ProfilePoint& q : p) {
            if (!std::isfinite(q.chainage) || !std::isfinite(q.elev)) continue;
            cmax = std::max(cmax, q.chainage / 1000.0);
            elo = any ? std::min<double>(elo, q.elev) : q.elev;
            ehi = any ? std::max<double>(ehi, q.elev) : q.elev;
            any = true;
        }
    if (!(cmax > 0)) cmax = 1;
    if (!(ehi > elo)) elo -= 1, ehi += 1;
    const double pad = 0.05 * (ehi - elo);
    elo -= pad, ehi += pad;
    auto at = [&](double c, double e) {
        return Point{left + c / cmax * kChartW, top + (ehi - e) / (ehi - elo) * kChartH};
    };
    Svg t;
    t << "<g id=\"profiles\" font-size=\"11\">\n<text x=\"" << left << "\" y=\"" << top - 24
      << "\" font-size=\"14\" font-weight=\"bold\">River profiles</text>\n";
    t << "<rect x=\"" << left << "\" y=\"" << top << "\" width=\"" << kChartW << "\" height=\""
      << kChartH << "\" fill=\"#fafafa\" stroke=\"#888888\"/>\n";
    const std::vector<double> xs = nice_ticks(0, cmax, 5), ys = nice_ticks(elo, ehi, 5);
    const double xstep = xs.size() > 1 ? xs[1] - xs[0] : 1,
                 ystep = ys.size() > 1 ? ys[1] - ys[0] : 1;
    for (double v : xs) {
        const Point p = at(v, elo);
        t << "<path d=\"M" << p << "v5\" stroke=\"#000000\"/><text x=\"" << p.x << "\" y=\""
          << p.y + 17 << "\" text-anchor=\"middle\">" << tick_label(v, xstep) << "</text>\n";
    }
    for (double v : ys) {
        const Point p = at(0, v);
        t << "<path d=\"M" << p << "h-5\" stroke=\"#000000\"/><text x=\"" << p.x - 8 << "\" y=\""
          << p.y + 4 << "\" text-anchor=\"end\">" << tick_label(v, ystep) << "</text>\n";
    }
    t << "<text x=\"" << left + kChartW / 2 << "\" y=\"" << top + kChartH + 34
      << "\" text-anchor=\"middle\">chainage from the outlet (km)</text>\n";
    t << "<text x=\"" << left << "\" y=\"" << top - 6 << "\">elevation (m)</text>\n";
    if (!any)
        t << "<text x=\"" << left + kChartW / 2 << "\" y=\"" << top + kChartH / 2
          << "\" text-anchor=\"middle\" font-size=\"13\">No river profile in this run</text>\n";
    // Profile 1 last, on top; a legend entry for each profile drawn.
    for (std::size_t n = profiles.profiles.size(); n-- > 0;) {
        const auto& p = profiles.profiles[n];
        if (p.empty()) continue;
        t << "<polyline fill=\"none\" stroke=\"" << kProfileColours[n % kProfileColours.size()]
          << "\" stroke-width=\"" << (n == 0 ? 2.5 : 1.5) << "\" points=\"";
        thinned(p.size(), kMostChartPoints,
                [&](std::size_t k) { t << at(p[k].chainage / 1000.0, p[k].elev) << " "; });
        t.s.back() = '"';
        t << "/>\n";
        const Point key{left + static_cast<double>(n % 5) * 88,
                        top + kChartH + 58 + static_cast<double>(n / 5) * 18};
        t << "<path d=\"M" << key << "h18\" stroke=\""
          << kProfileColours[n % kProfileColours.size()] << "\" stroke-width=\"3\"/><text x=\""
          << key.x + 24 << "\" y=\"" << key.y + 4 << "\">"
          << (n == 0 ? std::string("1 (main)") : std::to_string(n + 1)) << "</text>\n";
    }
    t << "</g>\n";
    return t.s;
}

// What the map's colours and symbols mean, under the elevation ramp.
std::string legend(double lo, double hi, double left, double top) {
    Svg t;
    t << "<g id=\"legend\" font-size=\"12\">\n";
    for (int s = 0; s < 64; ++s)
        t << "<rect x=\"" << left + s * 3.0 << "\" y=\"" << top
          << "\" width=\"3.2\" height=\"12\" fill=\""
          << hex(palette()[static_cast<std::size_t>(kRampFirst + s * (255 - kRampFirst) / 63)])
          << "\"/>";
    t << "\n<text x=\"" << left << "\" y=\"" << top + 26 << "\">" << fixed(lo, 1)
      << "</text><text x=\"" << left + 192 << "\" y=\"" << top + 26 << "\" text-anchor=\"end\">"
      << fixed(hi, 1) << " m</text>\n";
    const std::string square = "<rect width=\"12\" height=\"12\" fill=\"";
    const std::string line = "<path d=\"M0 6h16\" stroke-width=\"3\" stroke=\"";
    const std::string dot = "<circle cx=\"6\" cy=\"6\" r=\"5\" stroke=\"#000000\" fill=\"";
    const std::pair<std::string, const char*> keys[] = {
        {square + hex(palette()[1]) + "\"/>", "lake or reach"},
        {square + hex(palette()[2]) + "\"/>", "receiving cell"},
        {line + kRiver + "\"/>", "river"},
        {line + kHighlight + "\"/>", "main profile"},
        {dot + "none\" stroke-width=\"2\"/>", "outlet's receiving cell"},
        {dot + "#ffd400\"/>", "chosen outlet"},
        {dot + "#00c8c8\"/>", "inlet"}};
    for (std::size_t k = 0; k < std::size(keys); ++k)
        t << "<g transform=\"translate(" << Point{left + (k % 2) * 200.0, top + 44 + (k / 2) * 20.0}
          << ")\">" << keys[k].first << "<text x=\"22\" y=\"10\">" << keys[k].second
          << "</text></g>\n";
    t << "</g>\n";
    return t.s;
}

}  // namespace

void write_overview(const WrittenBasin& b, const RiverProfiles& profiles, Run& run) {
    Console& con = run.con;
    OutputFile file;
    if (!out::open_optional(file, "zel_overview.svg", con)) return;
    const Point ground =
        ground_square(b.map.hdr, b.net.areas.center_dx_km, b.net.areas.center_dy_km);
    const Frame f =
        fit_frame(b.shed.window, ground.x, ground.y, kMapBox, kMapBox, kMargin, kMapTop);
    const double right = kMargin + std::max(f.width(), 300.0) + 40;  // the second column
    const double chart_left = right + kChartLeftRoom, chart_top = kMapTop + 36;
    const double width = std::ceil(chart_left + kChartW + kMargin);
    const double legend_top = chart_top + kChartH + 110;  // below the profiles' keys
    const double height = std::ceil(std::max(kMapTop + f.height() + 64, legend_top + 136));

    Svg svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
        << "width=\"" << width << "\" height=\"" << height << "\" viewBox=\"0 0 " << width << " "
        << height << "\" font-family=\"sans-serif\">\n"
        << "<rect width=\"" << width << "\" height=\"" << height << "\" fill=\"#ffffff\"/>\n";
    const Blocks blocks =
        aggregate(b.map.elev, b.shed.rank, b.map.reach, b.shed.window, b.shed.in_basin() + 1);
    svg << title_lines(b) << background(blocks, f) << rivers(b, f) << main_profile(profiles, f)
        << markers(b, f) << scale_and_north(f, ground, kMapTop + f.height() + 24)
        << profile_chart(profiles, chart_left, chart_top)
        << legend(blocks.lo, blocks.hi, right, legend_top) << "</svg>\n";
    file.write(svg.s);
    out::commit_or_stop(file, run);
    con.say("zel_overview.svg written");
}
