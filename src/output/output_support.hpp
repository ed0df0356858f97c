#pragma once
// Helpers shared by the writers of this folder: the written window, the
// creation stamps, header keys and fast per-value formatting.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "common/output_file.hpp"
#include "common/run.hpp"
#include "common/text.hpp"
#include "common/field_format.hpp"

namespace out {

// The rows and columns written after trimming, as basin grid positions.
struct Span {
    int row0 = 1, row1 = 0;  // basin rows written, south first
    int col0 = 1, col1 = 0;  // basin columns written, west first
    int rows = 0, cols = 0;
    double xorigin = 0, yorigin = 0;  // origin of the written window
};
Span written_span(const Run& run);

// N: the cells of the written watershed.
int cells_kept(const Run& run);
// Of them, the cells 1..N - R that drain into the watershed (R receiving cells).
int cells_in_basin(const Run& run);

// "YYYY-MM-DD  HH:MM" for :CreationDate lines.
std::string creation_date();
// "HH:MM:SS  DD-MM-YYYY" for the :Created line of new_format.shd.
std::string created_stamp();

inline std::string key20(std::string_view key) {
    return padded(key, 20);
}
inline const std::string& hash40() {
    static const std::string line = padded("#", 40);
    return line;
}

bool is_latlong(const Run& run);

// The opening lines every r2c file of the watershed family starts with.
inline void r2c_opening(OutputFile& f) {
    f.line("########################################");
    f.line(padded(":FileType r2c  ASCII  EnSim 1.0", 40));
    f.line(hash40());
    f.line(padded("# DataType               2D Rect Cell", 40));
    f.line(hash40());
}

// Fixed-point text with `decimals` digits and no padding (free-format fields).
void put_fixed(std::string& b, double v, int decimals);

// Formats a stream of values of one field, reusing the text of a repeated
// value: grids hold long runs of zeros and equal fractions.
class FloatField {
  public:
    enum Kind { f, e };
    FloatField(Kind kind, int w, int d, bool blank) : kind_(kind), w_(w), d_(d), blank_(blank) {}
    void put(std::string& b, float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        if (!have_ || bits != bits_) {
            text_.clear();
            if (blank_) text_.push_back(' ');
            if (kind_ == f)
                field::put_f(text_, v, w_, d_);
            else
                field::put_e(text_, v, w_, d_);
            bits_ = bits;
            have_ = true;
        }
        b.append(text_);
    }

  private:
    Kind kind_;
    int w_, d_;
    bool blank_;
    bool have_ = false;
    std::uint32_t bits_ = 0;
    std::string text_;
};

class IntField {
  public:
    explicit IntField(int w) : w_(w) {}
    void put(std::string& b, long long v) {
        if (!have_ || v != last_) {
            text_.clear();
            field::put_i(text_, v, w_);
            last_ = v;
            have_ = true;
        }
        b.append(text_);
    }

  private:
    int w_;
    bool have_ = false;
    long long last_ = 0;
    std::string text_;
};

// One value block over the written window: a line per row, south first, at
// most `per_line` values a line. put(buffer, row, col) appends one value.
template <class Put>
void write_block(OutputFile& file, const Span& span, int per_line, Put&& put) {
    std::string& b = file.buffer();
    for (int i = span.row0; i <= span.row1; ++i) {
        int on_line = 0;
        for (int j = span.col0; j <= span.col1; ++j) {
            if (on_line == per_line) {
                b.push_back('\n');
                on_line = 0;
            }
            put(b, i, j);
            ++on_line;
        }
        b.push_back('\n');
        file.flush_if_large();
    }
}

// Commit a finished file; a failed write stops the run rather than leaving a
// short file behind.
void commit_or_stop(OutputFile& file);

}  // namespace out
