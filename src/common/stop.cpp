#include "common/stop.hpp"

void stop(std::string message) { throw Stop{{std::move(message)}, StopKind::error}; }

void stop_lines(std::vector<std::string> lines) { throw Stop{std::move(lines), StopKind::error}; }

void stop_normal(std::string message) { throw Stop{{std::move(message)}, StopKind::normal}; }

#include <cstdio>
#include <cstdlib>

#include "common/grid.hpp"

void grid_position_outside(int row, int col, int rows, int cols) {
    std::fprintf(stderr, "Programming error: position (%d, %d) outside a grid of %d x %d\n", row,
                 col, rows, cols);
    std::abort();
}
