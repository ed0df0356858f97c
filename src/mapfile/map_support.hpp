#pragma once
// Helpers shared by the map file stages: read-error reporting, memory checks,
// the grid listings of the run log.
#include <string>
#include <string_view>
#include <vector>

#include "common/free_format.hpp"
#include "common/big_memory.hpp"
#include "common/grid.hpp"

class Console;
class OutputFile;
struct MapHeader;

// "in file <name> line <n>: <what went wrong>" for a failed read.
std::string read_error_detail(const TextReader& reader, const ReadStatus& status,
                              std::string_view expected);
// Stop on a failed read: the system's message line, an empty line, the file
// and line detail, and the stop message.
[[noreturn]] void stop_on_read_error(const TextReader& reader, const ReadStatus& status,
                                     std::string message, std::string_view expected,
                                     std::string stop_message);

// A row of a grid block that could not be read stops the run: the block's
// message, the file and line, and, when the block seems to have ended early
// (a word where a number belongs, or the end of the file), a line pointing
// at the header's counts.
[[noreturn]] void stop_in_block(const TextReader& reader, const ReadStatus& status,
                                std::string message, std::string_view expected,
                                const MapHeader& hdr);

// Values beyond :xCount on the rows of one block are dropped, as the
// free-format rules say; the block reports them once, after its last row.
class RowOverflow {
  public:
    void note(const ReadStatus& row, int position) {
        if (row.dropped == 0) return;
        if (rows_ == 0) {
            line_ = row.line;
            position_ = position;
            first_ = row.dropped;
        }
        ++rows_;
    }
    void report(std::string_view block, const TextReader& reader, int xcount, OutputFile& log,
                Console& con) const;

  private:
    std::size_t line_ = 0, first_ = 0;
    int position_ = 0, rows_ = 0;
};

// A short, printable copy of a field for messages (binary bytes shown as '?').
std::string printable(std::string_view text, std::size_t max_len = 40);


// Bytes held by every grid of a run, with `class_layers` land-cover classes.
double basin_grid_bytes(int rows, int cols, int class_layers);

// Run-log listing of a grid, north row first: a title, column numbers, then
// per row its position in the block, its row number and the values.
void list_grid(OutputFile& log, std::string_view title, const Grid<int>& grid);
// Reals with `decimals` decimals (whole numbers when 0).
void list_grid(OutputFile& log, std::string_view title, const Grid<float>& grid, int decimals);
