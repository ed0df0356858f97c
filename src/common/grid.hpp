#pragma once
// A rectangular grid of values, 1-based (row, col); row 1 is the southernmost row,
// column 1 the westernmost. Storage is contiguous, row-major.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "common/big_memory.hpp"

// Debug and sanitizer builds check every position handed to a grid.
#if defined(ZEL_CHECK_BOUNDS) || !defined(NDEBUG)
#define ZEL_GRID_CHECKS 1
#endif

// Report a position outside a grid and abort (a programming error).
[[noreturn]] void grid_position_outside(int row, int col, int rows, int cols);

template <class T>
class Grid {
public:
    Grid() = default;
    Grid(int rows, int cols, T init = T{}) { assign(rows, cols, init); }

    void assign(int rows, int cols, T init = T{}) {
        rows_ = rows > 0 ? rows : 0;
        cols_ = cols > 0 ? cols : 0;
        const std::size_t n = static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_);
        // Fresh memory every time: zeros cost nothing, other values one pass.
        ZeroedVector<T>().swap(values_);
        if (init == T{})
            values_.resize(n);
        else
            values_.assign(n, init);
    }
    void fill(T value) { std::fill(values_.begin(), values_.end(), value); }
    void clear() {
        rows_ = cols_ = 0;
        values_.clear();
        values_.shrink_to_fit();
    }

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    bool empty() const { return values_.empty(); }
    std::size_t size() const { return values_.size(); }
    bool inside(int row, int col) const {
        return row >= 1 && row <= rows_ && col >= 1 && col <= cols_;
    }

    T& operator()(int row, int col) { return values_[checked(row, col)]; }
    const T& operator()(int row, int col) const { return values_[checked(row, col)]; }
    // Value at (row, col), or `outside` when the position is not on the grid.
    T at_or(int row, int col, T outside) const {
        return inside(row, col) ? values_[index(row, col)] : outside;
    }

    T* row_data(int row) { return values_.data() + row_start(row); }
    const T* row_data(int row) const { return values_.data() + row_start(row); }
    ZeroedVector<T>& values() { return values_; }
    const ZeroedVector<T>& values() const { return values_; }

private:
    std::size_t checked(int row, int col) const {
#ifdef ZEL_GRID_CHECKS
        if (!inside(row, col)) grid_position_outside(row, col, rows_, cols_);
#endif
        return index(row, col);
    }
    std::size_t row_start(int row) const {
#ifdef ZEL_GRID_CHECKS
        if (row < 1 || row > rows_) grid_position_outside(row, 1, rows_, cols_);
#endif
        return static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(cols_);
    }
    std::size_t index(int row, int col) const {
        return static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(cols_) +
               static_cast<std::size_t>(col - 1);
    }
    int rows_ = 0;
    int cols_ = 0;
    ZeroedVector<T> values_;
};
