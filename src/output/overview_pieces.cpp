#include <algorithm>
#include <cmath>
#include <cstdio>

#include "output/overview.hpp"

namespace overview {

namespace {

double positive_or_one(double v) {
    return v > 0 && std::isfinite(v) ? v : 1.0;
}

}  // namespace

Frame fit_frame(const Window& w, double ground_x, double ground_y, double box_w, double box_h,
                double left, double top) {
    Frame f;
    f.row0 = w.row0();
    f.col0 = w.col0();
    f.rows = std::max(w.rows, 1);
    f.cols = std::max(w.cols, 1);
    const double gx = positive_or_one(ground_x), gy = positive_or_one(ground_y);
    const double scale =
        std::min(positive_or_one(box_w) / (f.cols * gx), positive_or_one(box_h) / (f.rows * gy));
    f.sx = gx * scale;
    f.sy = gy * scale;
    f.left = left;
    f.top = top;
    return f;
}

Point ground_square(const MapHeader& h, double centre_dx_km, double centre_dy_km) {
    Point g{h.xdelta, h.ydelta};
    if (!h.projection.metric()) {
        if (!(centre_dx_km > 0) || !(centre_dy_km > 0)) {
            const CentreSquare c = centre_square_km(h);
            centre_dx_km = c.dx_km;
            centre_dy_km = c.dy_km;
        }
        g = {centre_dx_km * 1000.0, centre_dy_km * 1000.0};
    }
    return {positive_or_one(g.x), positive_or_one(g.y)};
}

int block_size(int rows, int cols) {
    const int side = std::max({rows, cols, 1});
    return (side + kMaxPixels - 1) / kMaxPixels;
}

Blocks aggregate(const Grid<float>& elev, const Grid<int>& rank, const Grid<int>& reach,
                 const Window& w, int receiving_from) {
    Blocks b;
    const int rows = std::max(w.rows, 0), cols = std::max(w.cols, 0);
    const int k = block_size(rows, cols);
    b.k = k;
    b.width = (cols + k - 1) / k;
    b.height = (rows + k - 1) / k;
    const auto size = static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height);
    b.mean.assign(size, 0.0f);
    b.tint.assign(size, Tint::outside);

    // Only the part of the window the grids hold is read.
    const bool same = elev.rows() == rank.rows() && elev.cols() == rank.cols();
    const bool lakes_known = reach.rows() == rank.rows() && reach.cols() == rank.cols();
    const int first_row = std::max(w.row0(), 1), last_col = std::min(w.col1(), rank.cols());
    const int first_col = std::max(w.col0(), 1);
    const auto width = static_cast<std::size_t>(b.width);
    std::vector<double> sum(width);
    std::vector<int> count(width), lakes(width);
    std::vector<std::uint8_t> receiving(width);
    bool any = false;
    for (int by = 0; by < b.height; ++by) {
        std::fill(sum.begin(), sum.end(), 0.0);
        std::fill(count.begin(), count.end(), 0);
        std::fill(lakes.begin(), lakes.end(), 0);
        std::fill(receiving.begin(), receiving.end(), 0);
        // Block row `by` holds the rows from w.row1() - by k southward.
        for (int t = 0; t < k && same; ++t) {
            const int i = w.row1() - by * k - t;
            if (i < first_row) break;
            if (i > rank.rows()) continue;
            const int* r = rank.row_data(i);
            const float* e = elev.row_data(i);
            const int* lake = lakes_known ? reach.row_data(i) : nullptr;
            for (int j = first_col; j <= last_col; ++j) {
                const int n = r[j - 1];
                if (n < 1) continue;
                const auto bx = static_cast<std::size_t>((j - w.col0()) / k);
                const float v = std::isfinite(e[j - 1]) ? e[j - 1] : 0.0f;
                sum[bx] += v;
                ++count[bx];
                if (lake && lake[j - 1] > 0) ++lakes[bx];
                if (n >= receiving_from) receiving[bx] = 1;
            }
        }
        for (std::size_t bx = 0; bx < width; ++bx) {
            if (count[bx] == 0) continue;
            const std::size_t at = static_cast<std::size_t>(by) * width + bx;
            const auto mean = static_cast<float>(sum[bx] / count[bx]);
            b.mean[at] = mean;
            b.tint[at] = receiving[bx]                ? Tint::receiving
                         : 2 * lakes[bx] >= count[bx] ? Tint::lake
                                                      : Tint::land;
            if (b.tint[at] != Tint::land) continue;
            b.lo = any ? std::min(b.lo, mean) : mean;
            b.hi = any ? std::max(b.hi, mean) : mean;
            any = true;
        }
    }
    return b;
}

const std::array<Rgb, 256>& palette() {
    static const std::array<Rgb, 256> colours = [] {
        std::array<Rgb, 256> c{};
        c[0] = {255, 255, 255};  // transparent
        c[1] = {142, 197, 240};  // lake
        c[2] = {40, 40, 40};     // receiving cell
        // Green lowlands, sand, brown hills, pale tops.
        constexpr Rgb stops[5] = {
            {46, 125, 50}, {139, 181, 74}, {233, 217, 122}, {168, 110, 62}, {245, 240, 235}};
        const int last = 255 - kRampFirst;
        for (int s = 0; s <= last; ++s) {
            const double at = 4.0 * s / last;
            const int lo = std::min(static_cast<int>(at), 3);
            const double f = at - lo;
            auto mix = [&](std::uint8_t a, std::uint8_t b) {
                return static_cast<std::uint8_t>(std::lround(a + (b - a) * f));
            };
            c[static_cast<std::size_t>(kRampFirst + s)] = {mix(stops[lo].r, stops[lo + 1].r),
                                                           mix(stops[lo].g, stops[lo + 1].g),
                                                           mix(stops[lo].b, stops[lo + 1].b)};
        }
        return c;
    }();
    return colours;
}

std::vector<std::uint8_t> palette_indices(const Blocks& blocks) {
    std::vector<std::uint8_t> out(blocks.tint.size(), 0);
    const int steps = 255 - kRampFirst;
    const double range = static_cast<double>(blocks.hi) - blocks.lo;
    for (std::size_t k = 0; k < out.size(); ++k) {
        switch (blocks.tint[k]) {
            case Tint::outside:
                break;
            case Tint::lake:
                out[k] = 1;
                break;
            case Tint::receiving:
                out[k] = 2;
                break;
            case Tint::land: {
                const double f = range > 0 ? (blocks.mean[k] - blocks.lo) / range : 0.5;
                const long s = std::lround(std::clamp(f, 0.0, 1.0) * steps);
                out[k] = static_cast<std::uint8_t>(kRampFirst + s);
            }
        }
    }
    return out;
}

std::uint32_t crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t adler32(std::string_view bytes) {
    constexpr std::uint32_t kMod = 65521;
    std::uint32_t a = 1, b = 0;
    // 5552 bytes is the longest run whose sums cannot overflow 32 bits.
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = std::min(bytes.size(), at + 5552);
        for (; at < end; ++at) {
            a += static_cast<unsigned char>(bytes[at]);
            b += a;
        }
        a %= kMod;
        b %= kMod;
    }
    return (b << 16) | a;
}

namespace {

void put_u32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void put_chunk(std::string& png, const char* type, std::string_view data) {
    put_u32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t from = png.size();
    png.append(type, 4);
    png.append(data);
    put_u32(png, crc32(std::string_view(png).substr(from)));
}

// Deflate blocks stored as they are.
std::string stored_deflate(std::string_view raw) {
    constexpr std::size_t kMostInBlock = 65535;
    std::string z;
    z.reserve(raw.size() + raw.size() / kMostInBlock * 5 + 8);
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(kMostInBlock, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);  // the last block?
        const auto len = static_cast<std::uint16_t>(n);
        for (std::uint16_t v : {len, static_cast<std::uint16_t>(~len)}) {
            z.push_back(static_cast<char>(v & 0xFF));
            z.push_back(static_cast<char>(v >> 8));
        }
        z.append(raw.substr(at, n));
        at += n;
    } while (at < raw.size());
    return z;
}

// Bits into bytes, the first bit lowest.
class BitWriter {
  public:
    explicit BitWriter(std::string& out) : out_(out) {}
    void bits(std::uint32_t value, int count) {
        acc_ |= static_cast<std::uint64_t>(value) << used_;
        used_ += count;
        for (; used_ >= 8; used_ -= 8, acc_ >>= 8) out_.push_back(static_cast<char>(acc_ & 0xFF));
    }
    // A Huffman code goes in from its highest bit.
    void code(std::uint32_t value, int count) {
        std::uint32_t reversed = 0;
        for (int k = 0; k < count; ++k) reversed |= ((value >> k) & 1u) << (count - 1 - k);
        bits(reversed, count);
    }
    void flush() {
        if (used_ > 0) out_.push_back(static_cast<char>(acc_ & 0xFF));
        acc_ = 0;
        used_ = 0;
    }

  private:
    std::string& out_;
    std::uint64_t acc_ = 0;
    int used_ = 0;
};

// A literal or length symbol in the fixed Huffman code.
void put_symbol(BitWriter& w, int s) {
    if (s < 144)
        w.code(static_cast<std::uint32_t>(0x30 + s), 8);
    else if (s < 256)
        w.code(static_cast<std::uint32_t>(0x190 + s - 144), 9);
    else if (s < 280)
        w.code(static_cast<std::uint32_t>(s - 256), 7);
    else
        w.code(static_cast<std::uint32_t>(0xC0 + s - 280), 8);
}

// A base-plus-extra-bits value: the symbol of the largest base not above it.
template <std::size_t N>
void put_ranged(BitWriter& w, int value, const std::array<int, N>& base,
                const std::array<int, N>& extra, int first_symbol, bool huffman) {
    std::size_t k = N - 1;
    while (base[k] > value) --k;
    if (huffman)
        put_symbol(w, first_symbol + static_cast<int>(k));
    else
        w.code(static_cast<std::uint32_t>(k), 5);
    w.bits(static_cast<std::uint32_t>(value - base[k]), extra[k]);
}

// One block of the fixed Huffman code, repeats found only one byte back and
// one row back: enough for the raster's runs and repeated rows.
std::string fixed_deflate(std::string_view raw, std::size_t row) {
    static constexpr std::array<int, 29> kLength = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                    15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                    67, 83, 99, 115, 131, 163, 195, 227, 258};
    static constexpr std::array<int, 29> kLengthExtra = {
        0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static constexpr std::array<int, 30> kDistance = {
        1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static constexpr std::array<int, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                           4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                           9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    std::string z;
    BitWriter w(z);
    w.bits(1, 1);  // the last block
    w.bits(1, 2);  // fixed codes
    const std::size_t n = raw.size();
    for (std::size_t at = 0; at < n;) {
        std::size_t best = 0, distance = 0;
        for (const std::size_t d : {row, std::size_t{1}}) {
            if (d == 0 || d > at || d > 32768) continue;
            std::size_t len = 0;
            while (len < 258 && at + len < n && raw[at + len] == raw[at + len - d]) ++len;
            if (len > best) best = len, distance = d;
        }
        if (best >= 3) {
            put_ranged(w, static_cast<int>(best), kLength, kLengthExtra, 257, true);
            put_ranged(w, static_cast<int>(distance), kDistance, kDistanceExtra, 0, false);
            at += best;
        } else {
            put_symbol(w, static_cast<unsigned char>(raw[at]));
            ++at;
        }
    }
    put_symbol(w, 256);  // end of block
    w.flush();
    return z;
}

// The zlib stream of the smaller of the two encodings.
std::string zlib_stream(std::string_view raw, std::size_t row) {
    std::string packed = fixed_deflate(raw, row);
    if (packed.size() > raw.size()) packed = stored_deflate(raw);
    std::string z = "\x78\x01";
    z += packed;
    put_u32(z, adler32(raw));
    return z;
}

}  // namespace

int pixel_repeat(int width, int height) {
    return std::max(1, kMaxPixels / std::max({width, height, 1}));
}

std::string encode_png(int width, int height, const std::vector<std::uint8_t>& indices,
                       const std::array<Rgb, 256>& colours, int repeat) {
    // A picture without pixels is one transparent pixel.
    const bool empty =
        width < 1 || height < 1 ||
        indices.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::vector<std::uint8_t> none{0};
    const std::vector<std::uint8_t>& px = empty ? none : indices;
    if (empty) width = height = 1;
    const auto r = static_cast<std::size_t>(std::max(repeat, 1));
    const auto w = static_cast<std::size_t>(width);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string head;
    put_u32(head, static_cast<std::uint32_t>(w * r));
    put_u32(head, static_cast<std::uint32_t>(static_cast<std::size_t>(height) * r));
    // 8 bits a pixel, palette, deflate, no filter, no interlace.
    head += std::string("\x08\x03\x00\x00\x00", 5);
    put_chunk(png, "IHDR", head);
    std::string plte;
    for (const Rgb& c : colours)
        plte += {static_cast<char>(c.r), static_cast<char>(c.g), static_cast<char>(c.b)};
    put_chunk(png, "PLTE", plte);
    put_chunk(png, "tRNS", std::string(1, '\0'));  // entry 0 transparent, the rest opaque

    std::string raw, line;
    raw.reserve((w * r + 1) * static_cast<std::size_t>(height) * r);
    for (int y = 0; y < height; ++y) {
        line.assign(1, '\0');  // no filter
        const auto* from = px.data() + static_cast<std::size_t>(y) * w;
        for (std::size_t x = 0; x < w; ++x) line.append(r, static_cast<char>(from[x]));
        for (std::size_t k = 0; k < r; ++k) raw += line;
    }
    put_chunk(png, "IDAT", zlib_stream(raw, w * r + 1));
    put_chunk(png, "IEND", {});
    return png;
}

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - at);
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[at + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            out.push_back(k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=');
    }
    return out;
}

int area_bin(double area, double largest) {
    if (!(area > 0) || !(largest > 0) || !std::isfinite(largest)) return 0;
    if (area >= largest) return kAreaBins - 1;
    const double below = std::log2(largest / area) * 16.0;
    if (!(below < kAreaBins - 1)) return 0;
    return kAreaBins - 1 - static_cast<int>(below);
}

int lowest_drawn_bin(const std::array<std::uint32_t, kAreaBins>& counts, std::size_t cap) {
    std::size_t drawn = 0;
    int b = kAreaBins;
    while (b > 0 && drawn + counts[static_cast<std::size_t>(b - 1)] <= cap)
        drawn += counts[static_cast<std::size_t>(--b)];
    return b;
}

std::size_t segment_cap(int cells) {
    return static_cast<std::size_t>(std::clamp(cells / 4, 64, 15000));
}

namespace {

// 1, 2 or 5 times a power of ten, nearest to x (x > 0).
double nearest_nice(double x) {
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    const double m = x / p;
    return (m < 1.5 ? 1 : m < 3.5 ? 2 : m < 7.5 ? 5 : 10) * p;
}

}  // namespace

std::vector<double> nice_ticks(double lo, double hi, int about) {
    std::vector<double> ticks;
    if (!std::isfinite(lo) || !std::isfinite(hi)) return ticks;
    if (hi < lo) std::swap(lo, hi);
    if (!(hi > lo)) return {lo};
    const double step = nearest_nice((hi - lo) / std::max(about, 1));
    const double eps = step * 1e-9;
    for (double v = std::ceil(lo / step - 1e-9) * step; v <= hi + eps && ticks.size() < 100;
         v += step)
        ticks.push_back(std::abs(v) < eps ? 0.0 : v);
    return ticks;
}

double round_down_nice(double x) {
    if (!(x > 0) || !std::isfinite(x)) return 0;
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    const double m = x / p;
    return (m >= 5 ? 5 : m >= 2 ? 2 : 1) * p;
}

std::string tick_label(double v, double step) {
    std::string s;
    const bool whole = !(step < 1) || !(step > 0);
    put_number(s, v, whole ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
    return s;
}

std::string length_label(double metres) {
    char buf[64];
    std::snprintf(buf, sizeof buf, metres >= 1000 ? "%g km" : "%g m",
                  std::isfinite(metres) ? (metres >= 1000 ? metres / 1000 : metres) : 0.0);
    return buf;
}

void put_number(std::string& out, double v, int decimals) {
    decimals = std::clamp(decimals, 0, 6);
    if (!std::isfinite(v)) v = 0;
    v = std::clamp(v, -1e15, 1e15);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string_view s(buf);
    if (decimals > 0) {  // no trailing zeros
        while (s.back() == '0') s.remove_suffix(1);
        if (s.back() == '.') s.remove_suffix(1);
    }
    if (s == "-0") s = "0";
    out += s;
}

namespace {

// The length of the UTF-8 sequence at s[at], 0 when it is not one.
std::size_t utf8_length(std::string_view s, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(at);
    std::size_t n = c < 0x80                 ? 1
                    : c >= 0xC2 && c <= 0xDF ? 2
                    : c >= 0xE0 && c <= 0xEF ? 3
                    : c >= 0xF0 && c <= 0xF4 ? 4
                                             : 0;
    if (n == 0 || at + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((byte(at + k) & 0xC0) != 0x80) return 0;
    // No overlong forms, surrogates or values past U+10FFFF.
    if (n == 3 && ((c == 0xE0 && byte(at + 1) < 0xA0) || (c == 0xED && byte(at + 1) >= 0xA0)))
        return 0;
    if (n == 4 && ((c == 0xF0 && byte(at + 1) < 0x90) || (c == 0xF4 && byte(at + 1) >= 0x90)))
        return 0;
    return n;
}

}  // namespace

std::string xml_text(std::string_view s) {
    std::string out;
    for (std::size_t at = 0; at < s.size();) {
        const std::size_t n = utf8_length(s, at);
        const unsigned char c = static_cast<unsigned char>(s[at]);
        if (n == 0 || (n == 1 && (c < 0x20 || c == 0x7F))) {
            out.push_back('?');
            ++at;
            continue;
        }
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out.append(s.substr(at, n));
        }
        at += n;
    }
    return out;
}

}  // namespace overview
