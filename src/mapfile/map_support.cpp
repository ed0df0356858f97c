#include "mapfile/map_support.hpp"


#include <algorithm>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdint>

#include "common/console.hpp"
#include "common/field_format.hpp"
#include "common/output_file.hpp"
#include "common/pieces.hpp"
#include "common/stop.hpp"
#include "mapfile/map_input.hpp"

std::string printable(std::string_view text, std::size_t max_len) {
    std::string out;
    for (char c : text.substr(0, max_len)) {
        auto u = static_cast<unsigned char>(c);
        out.push_back(u >= 32 && u < 127 ? c : '?');
    }
    if (text.size() > max_len) out += "...";
    return out;
}

std::string read_error_detail(const TextReader& reader, const ReadStatus& status,
                              std::string_view expected) {
    std::size_t line = status.line != 0 ? status.line : reader.line_number();
    std::string out = "in file " + reader.name() + " line " + std::to_string(line) + ": ";
    switch (status.code) {
        case ReadStatus::end_of_file:
            out += "the file ends before the values expected here";
            break;
        case ReadStatus::too_few:
            out += "the line ends before the values expected here";
            break;
        case ReadStatus::bad_value:
            out += '"';
            out += printable(status.text);
            out += "\" is not ";
            out += expected;
            break;
        case ReadStatus::ok:
            out += "cannot be read";
            break;
    }
    return out;
}

void stop_on_read_error(const TextReader& reader, const ReadStatus& status, std::string message,
                        std::string_view expected, std::string stop_message) {
    stop_lines({std::move(message), "", read_error_detail(reader, status, expected),
                std::move(stop_message)});
}

void stop_in_block(const TextReader& reader, const ReadStatus& status, std::string message,
                   std::string_view expected, const MapHeader& hdr) {
    std::vector<std::string> lines{std::move(message), "", read_error_detail(reader, status, expected)};
    // A word where a number belongs (not a mistyped number such as NaN or
    // Inf): most likely the heading or class name that follows the block.
    std::string lower;
    for (char c : status.text) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    const bool word = status.code == ReadStatus::bad_value && lower.size() >= 2 &&
                      std::isalpha(static_cast<unsigned char>(lower[0])) && lower != "nan" &&
                      lower != "inf" && lower != "infinity";
    if (word) {
        auto at = [](std::size_t line) {
            return line ? " (line " + std::to_string(line) + ")" : std::string();
        };
        lines.push_back("The block seems to end early: :xCount " + std::to_string(hdr.xcount) +
                        at(hdr.xcount_line) + " or :yCount " + std::to_string(hdr.ycount) +
                        at(hdr.ycount_line) + " may be larger than the data of the map file");
    }
    lines.push_back(" Program aborted");
    stop_lines(std::move(lines));
}

void RowOverflow::report(std::string_view block, const TextReader& reader, int xcount,
                         OutputFile& log, Console& con) const {
    if (rows_ == 0) return;
    std::string line = "WARNING: " + reader.name() + " line " + std::to_string(line_) + " (" +
                       std::string(block) + ", row " + std::to_string(position_) + " of the block): " +
                       std::to_string(first_) + (first_ == 1 ? " value" : " values") +
                       " beyond the " + std::to_string(xcount) + " of :xCount ignored";
    if (rows_ > 1) line += "; " + std::to_string(rows_ - 1) + " more rows of this block too";
    con.say(line);
    log.line(line);
}

double basin_grid_bytes(int rows, int cols, int class_layers) {
    const double float_layers = 9 + 8 + 3;  // value grids, fetch, nca and DEM grids
    const double int_layers = 7;
    double per_square = float_layers * sizeof(float) + int_layers * sizeof(int) +
                        std::max(class_layers, 0) * static_cast<double>(sizeof(float));
    // Each class also holds a grid object, its allocation and a name.
    const double per_class = sizeof(Grid<float>) + sizeof(std::string) + 64;
    return static_cast<double>(rows) * static_cast<double>(cols) * per_square +
           std::max(class_layers, 0) * per_class;
}

namespace {

int digits_and_sign(long long v) {
    int n = v < 0 ? 2 : 1;
    for (unsigned long long u = v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
         u >= 10; u /= 10)
        ++n;
    return n;
}

void append_right(std::string& out, const char* first, const char* last, int width) {
    int len = static_cast<int>(last - first);
    if (len < width) out.append(static_cast<std::size_t>(width - len), ' ');
    out.append(first, last);
}

// Every width here is wide enough for its numbers: the field notation's Iw
// then writes them exactly so, right-aligned.
void append_int(std::string& out, long long v, int width) {
    if (width >= digits_and_sign(v)) return field::put_i(out, v, width);
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    append_right(out, buf, r.ptr, width);
}

void append_real(std::string& out, float v, int decimals, int width) {
    char buf[128];
    double x = v;
    // Whole values with no decimals (percentages, counts) read as integers.
    if (decimals == 0 && std::fabs(x) < 1e9 && x == std::trunc(x))
        return append_int(out, static_cast<long long>(x), width);
    static const double p10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    if (decimals >= 0 && decimals <= 6 && std::fabs(x) < 1e9) {
        // Fast path for the usual magnitudes: scaled whole number, then the point.
        long long scaled = std::llround(std::fabs(x) * p10[decimals]);
        char* p = buf;
        if (x < 0 && scaled != 0) *p++ = '-';  // a value that rounds to zero has no sign
        auto whole = static_cast<long long>(scaled / static_cast<long long>(p10[decimals]));
        p = std::to_chars(p, buf + sizeof buf, whole).ptr;
        if (decimals > 0) {
            *p++ = '.';
            long long frac = scaled % static_cast<long long>(p10[decimals]);
            for (int k = decimals - 1; k >= 0; --k) {
                p[k] = static_cast<char>('0' + frac % 10);
                frac /= 10;
            }
            p += decimals;
        }
        append_right(out, buf, p, width);
        return;
    }
    auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
    if (r.ec != std::errc{}) {
        const char star = '*';
        append_right(out, &star, &star + 1, width);
        return;
    }
    append_right(out, buf, r.ptr, width);
}

int digits(long long v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return static_cast<int>(r.ptr - buf);
}

// Title and column-number lines; returns the width of the row labels.
int put_heading(std::string& out, std::string_view title, int rows, int cols, int width) {
    int label = std::max(4, digits(rows)) + 1;
    out.append(title);
    out.push_back('\n');
    out.append(static_cast<std::size_t>(label - 3), ' ');
    out.append("pos");
    out.append(static_cast<std::size_t>(label - 3), ' ');
    out.append("row |");
    for (int c = 1; c <= cols; ++c) append_int(out, c, width);
    out.push_back('\n');
    return label;
}

void put_row_labels(std::string& out, int position, int row, int label) {
    append_int(out, position, label);
    append_int(out, row, label);
    out.append(" |");
}

}  // namespace

namespace {

// The listing of a grid, rows north first (row `rows` is the first listed),
// each value put(out, v) in `width` characters.
template <class T, class Put>
void list_rows(OutputFile& log, std::string_view title, const Grid<T>& grid, int width, Put put) {
    const int rows = grid.rows(), cols = grid.cols();
    const int label = put_heading(log.buffer(), title, rows, cols, width);
    rows_in_order(log, static_cast<std::size_t>(rows),
                  rows_per_piece(static_cast<std::size_t>(cols) * static_cast<std::size_t>(width)),
                  [&](std::size_t first, std::size_t last, std::string& out) {
                      for (std::size_t pos = first; pos <= last; ++pos) {
                          const int row = rows - static_cast<int>(pos);
                          put_row_labels(out, static_cast<int>(pos) + 1, row, label);
                          const T* v = grid.row_data(row);
                          for (int c = 0; c < cols; ++c) put(out, v[c]);
                          out.push_back('\n');
                      }
                  });
}

}  // namespace

void list_grid(OutputFile& log, std::string_view title, const Grid<int>& grid) {
    int lo = 0, hi = 0;
    if (!grid.empty()) {
        auto [mn, mx] = std::minmax_element(grid.values().begin(), grid.values().end());
        lo = *mn;
        hi = *mx;
    }
    const int width = std::max({digits(lo), digits(hi), digits(grid.cols())}) + 1;
    list_rows(log, title, grid, width, [&](std::string& out, int v) { append_int(out, v, width); });
}

void list_grid(OutputFile& log, std::string_view title, const Grid<float>& grid, int decimals) {
    int width = digits(grid.cols());
    if (!grid.empty()) {
        auto [mn, mx] = std::minmax_element(grid.values().begin(), grid.values().end());
        std::string probe;
        append_real(probe, *mn, decimals, 0);
        width = std::max(width, static_cast<int>(probe.size()));
        probe.clear();
        append_real(probe, *mx, decimals, 0);
        width = std::max(width, static_cast<int>(probe.size()));
    }
    ++width;
    list_rows(log, title, grid, width,
              [&](std::string& out, float v) { append_real(out, v, decimals, width); });
}
