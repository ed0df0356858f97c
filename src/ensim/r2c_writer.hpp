#pragma once
// The r2c writer: an r2c file is written as its header lines, then one value
// block per attribute, then committed (written under a temporary name until
// then). Every value goes through the one field formatter.
#include <algorithm>
#include <string>
#include <string_view>

#include "common/field_format.hpp"
#include "common/output_file.hpp"
#include "common/pieces.hpp"
#include "ensim/grid_header.hpp"

// The grid squares a block covers: rows row0..row1 (south first) and columns
// col0..col1 (west first), 1-based.
struct Span {
    int row0 = 1, row1 = 0;
    int col0 = 1, col1 = 0;
    int rows() const { return row1 >= row0 ? row1 - row0 + 1 : 0; }
    int cols() const { return col1 >= col0 ? col1 - col0 + 1 : 0; }
};

class R2cWriter {
  public:
    // `per_line`: at most this many values on a line; a row goes on over more lines.
    explicit R2cWriter(int per_line) : per_line_(per_line) {}

    // Create the file; false (with error_code()) when it cannot be created.
    bool open(const std::string& name) { return file_.open(name); }
    int error_code() const { return file_.error_code(); }
    const std::string& name() const { return file_.name(); }
    OutputFile& file() { return file_; }

    void line(std::string_view text) { file_.line(text); }

    // One value block: a line per row of `span`, south first; value(i, j)
    // gives the value of square (i, j), written in `field`. Groups of rows are
    // formatted on the machine's cores and written in order; value must only
    // read shared data.
    template <class Value>
    void block(const Span& span, field::Field f, Value&& value) {
        const int rows = span.rows();
        if (rows <= 0) return;
        const std::size_t row_bytes = static_cast<std::size_t>(std::max(1, span.cols())) *
                                      static_cast<std::size_t>(f.w + 1);
        const int per_piece = static_cast<int>(std::max<std::size_t>(1, kPieceBytes / row_bytes));
        const std::size_t pieces = static_cast<std::size_t>((rows + per_piece - 1) / per_piece);
        in_order<std::string>(
            pieces,
            [&](std::size_t p, std::string& b) {
                b.clear();
                field::FieldStream out(f);
                const int first = span.row0 + static_cast<int>(p) * per_piece;
                const int last = std::min(span.row1, first + per_piece - 1);
                for (int i = first; i <= last; ++i) {
                    int on_line = 0;
                    for (int j = span.col0; j <= span.col1; ++j) {
                        if (on_line == per_line_) {
                            b.push_back('\n');
                            on_line = 0;
                        }
                        out.put(b, value(i, j));
                        ++on_line;
                    }
                    b.push_back('\n');
                }
            },
            [&](std::size_t, std::string& b) { file_.write(b); });
    }

    // Write everything and rename over the final name; false on failure.
    bool commit() { return file_.commit(); }
    void discard() { file_.discard(); }

  private:
    static constexpr std::size_t kPieceBytes = 1 << 20;  // text formatted at a time
    OutputFile file_;
    int per_line_;
};

// The five opening lines of every r2c file.
void write_r2c_opening(R2cWriter& out);
// The header of a single-attribute grid file (the elevation grids), with
// `classes` attribute lines.
void write_grid_header(R2cWriter& out, const GridHeader& gh, int classes);
// "YYYY-MM-DD  HH:MM": the run's local time for :CreationDate lines.
std::string creation_date();
