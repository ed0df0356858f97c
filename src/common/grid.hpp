#pragma once
// A rectangular grid of values, 1-based (row, col); row 1 is the southernmost row,
// column 1 the westernmost. Storage is contiguous, row-major.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "common/big_memory.hpp"

template <class T>
class Grid {
public:
    Grid() = default;
    Grid(int rows, int cols, T init = T{}) { assign(rows, cols, init); }

    void assign(int rows, int cols, T init = T{}) {
        rows_ = rows > 0 ? rows : 0;
        cols_ = cols > 0 ? cols : 0;
        assign_big(values_, static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_), init);
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

    T& operator()(int row, int col) { return values_[index(row, col)]; }
    const T& operator()(int row, int col) const { return values_[index(row, col)]; }
    // Value at (row, col), or `outside` when the position is not on the grid.
    T at_or(int row, int col, T outside) const {
        return inside(row, col) ? values_[index(row, col)] : outside;
    }

    T* row_data(int row) { return values_.data() + static_cast<std::size_t>(row - 1) * cols_; }
    const T* row_data(int row) const {
        return values_.data() + static_cast<std::size_t>(row - 1) * cols_;
    }
    std::vector<T>& values() { return values_; }
    const std::vector<T>& values() const { return values_; }

private:
    std::size_t index(int row, int col) const {
        return static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(cols_) +
               static_cast<std::size_t>(col - 1);
    }
    int rows_ = 0;
    int cols_ = 0;
    std::vector<T> values_;
};
