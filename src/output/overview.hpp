#pragma once
// The pieces of zel_overview.svg that need no run: where a square lands in
// the picture, the background raster (squares averaged in blocks), the PNG
// it is embedded as, the drainage-area cut of the drawn rivers, and the
// tick and scale-bar numbers.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/grid.hpp"
#include "mapfile/map_input.hpp"
#include "network/network.hpp"

namespace overview {

struct Point {
    double x = 0, y = 0;
};

// The written window on the picture: square (row, col) of the whole map is
// a rectangle of sx x sy pixels; the window's north-west corner is at
// (left, top). Rows count from the south, so the north row is drawn first.
struct Frame {
    int row0 = 1, col0 = 1, rows = 1, cols = 1;  // first (south) row and west column
    double left = 0, top = 0, sx = 1, sy = 1;

    double width() const { return cols * sx; }
    double height() const { return rows * sy; }
    // The north-west corner of a square.
    Point corner(int row, int col) const {
        return {left + (col - col0) * sx, top + (row0 + rows - 1 - row) * sy};
    }
    Point centre(int row, int col) const {
        const Point c = corner(row, col);
        return {c.x + 0.5 * sx, c.y + 0.5 * sy};
    }
};

// The ground size of a square in metres: the header's steps, or on
// geographic grids the size of the centre square (from the km given, or
// computed when they are 0); 1 for a size that is not positive.
Point ground_square(const MapHeader& h, double centre_dx_km, double centre_dy_km);

// The window fitted into a box of box_w x box_h pixels at (left, top),
// keeping the ground proportions of squares of ground_x x ground_y (any
// unit; a size that is not positive counts as 1).
Frame fit_frame(const Window& w, double ground_x, double ground_y, double box_w, double box_h,
                double left, double top);

// The background: the window's squares averaged in blocks of k x k, the
// north-west block first.
constexpr int kMaxPixels = 512;
enum class Tint : std::uint8_t { outside, land, lake, receiving };
struct Blocks {
    int k = 1, width = 0, height = 0;
    std::vector<float> mean;  // mean elevation of the block's watershed squares
    std::vector<Tint> tint;   // outside: no watershed square in the block
    float lo = 0, hi = 0;     // the range of the means of land blocks
};
// The side of a block: ceil(max(rows, cols) / kMaxPixels), at least 1.
int block_size(int rows, int cols);
// Squares with rank >= 1 are in the watershed, those with rank >= `receiving_from`
// receiving cells. A block holding a receiving cell is tinted as one; otherwise
// it is a lake when at least half of its watershed squares have a reach.
Blocks aggregate(const Grid<float>& elev, const Grid<int>& rank, const Grid<int>& reach,
                 const Window& w, int receiving_from);

// The palette of the raster: outside (transparent), lake, receiving cell,
// then the elevation ramp from low to high.
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};
constexpr int kRampFirst = 3;
const std::array<Rgb, 256>& palette();
// One palette index per block.
std::vector<std::uint8_t> palette_indices(const Blocks& blocks);

// PNG: an 8-bit palette image, the first palette entry transparent. Each
// index becomes `repeat` x `repeat` pixels, so that a viewer smoothing the
// picture blurs only the edges of squares. The pixels go in deflate blocks of
// the fixed Huffman code (runs and repeated rows), or stored when that is
// not shorter.
std::uint32_t crc32(std::string_view bytes);
std::uint32_t adler32(std::string_view bytes);
// The repeat that brings the longer side near kMaxPixels, at least 1.
int pixel_repeat(int width, int height);
std::string encode_png(int width, int height, const std::vector<std::uint8_t>& indices,
                       const std::array<Rgb, 256>& colours, int repeat = 1);
std::string base64(std::string_view bytes);

// Rivers: cells are binned by drainage area on a log scale below the
// largest area (16 bins to a doubling; the top bin holds the largest).
constexpr int kAreaBins = 1024;
int area_bin(double area, double largest);
// The lowest bin drawn so that at most `cap` cells are (kAreaBins: none).
int lowest_drawn_bin(const std::array<std::uint32_t, kAreaBins>& counts, std::size_t cap);
// The most river segments drawn for a basin of `cells` cells: a quarter of
// them, at least 64, at most 15000.
std::size_t segment_cap(int cells);

// Every `step`-th of `count` points and the last, so that at most `most` + 1
// are put: put(k) for each index k kept.
template <class Put>
void thinned(std::size_t count, std::size_t most, Put&& put) {
    const std::size_t step =
        std::max<std::size_t>((count + most - 1) / std::max<std::size_t>(most, 1), 1);
    for (std::size_t k = 0; k < count; k += step) put(k);
    if (count > 1 && (count - 1) % step != 0) put(count - 1);
}

// About `about` round values (1, 2 or 5 times a power of ten) spanning lo..hi.
std::vector<double> nice_ticks(double lo, double hi, int about);
// The largest round value not above `x` (x > 0), for a scale bar.
double round_down_nice(double x);

// A tick's value with the decimals its step needs.
std::string tick_label(double v, double step);
// A scale bar's length: "500 m", "2 km".
std::string length_label(double metres);

// `v` with `decimals` decimals (0 or 1 give the picture's coordinates),
// never "-0", "nan" or "inf".
void put_number(std::string& out, double v, int decimals = 1);
// Text for an SVG text node or attribute: markup characters escaped, and
// bytes that are not UTF-8 or are control characters replaced.
std::string xml_text(std::string_view s);

}  // namespace overview
