#include "network/fetch.hpp"

#include <algorithm>
#include <cmath>
#include <new>

#include "common/console.hpp"
#include "common/d8.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"

namespace {

// For every square, the number of squares a walk from it in direction (di, dj)
// passes over: each within rows 2..ycount-1 and columns 2..xcount-1 and of the
// square's own reach number. The count of a square is one more than that of
// the next square along, when that one qualifies, so the squares are visited
// with the next square along always done first: one pass, linear in the grid.
void run_lengths(const Grid<int>& reach, int di, int dj, Grid<int>& run) {
    const int ny = reach.rows(), nx = reach.cols();
    const int row_first = di > 0 ? ny : 1, row_step = di > 0 ? -1 : 1;
    for (int n = 0, i = row_first; n < ny; ++n, i += row_step) {
        const int* r_here = reach.row_data(i);
        int* l_here = run.row_data(i);
        const int si = i + di;
        const bool row_inside = si >= 2 && si <= ny - 1;
        const int* r_next = row_inside ? reach.row_data(si) : nullptr;
        const int* l_next = row_inside ? run.row_data(si) : nullptr;
        // Columns are 0-based here; the next square's column must lie in 2..nx-1.
        const int col_first = dj > 0 ? nx - 1 : 0, col_step = dj > 0 ? -1 : 1;
        for (int m = 0, j = col_first; m < nx; ++m, j += col_step) {
            const int r = r_here[j];
            const int sj = j + dj;
            int length = 0;
            if (r > 0 && row_inside && sj >= 1 && sj <= nx - 2 && r_next[sj] == r)
                length = l_next[sj] + 1;
            l_here[j] = length;
        }
    }
}

}  // namespace

Fetch fetch_2d(const Grid<int>& reach, const Network& net, Run& run) {
    const int ny = reach.rows(), nx = reach.cols();

    int reachcount = 0;
    for (int r : reach.values()) reachcount = std::max(reachcount, r);
    run.con.line("reachcount=", reachcount, " in ftch");

    Fetch out;
    Grid<int> lengths;
    try {
        for (auto& g : out) g.assign(ny, nx, 0.0f);
        lengths.assign(ny, nx, 0);
    } catch (const std::bad_alloc&) {
        stop("**Allocation failed  in fetch_2d @41**");
    }
    if (reachcount == 0) return out;
    // The fetch grids NE E SE S SW W NW N are the drainage codes 1..8.
    for (int d = 0; d < 8; ++d) {
        const int code = d + 1;
        const bool diagonal = d8::kDiagonal[code];
        run_lengths(reach, d8::kRowStep[code], d8::kColStep[code], lengths);
        Grid<float>& fetch = out[static_cast<std::size_t>(d)];
        for (int n = 1; n <= net.naa; ++n) {
            int i = net.row[static_cast<std::size_t>(n)];
            int j = net.col[static_cast<std::size_t>(n)];
            if (!reach.inside(i, j) || reach(i, j) <= 0) continue;
            float k = static_cast<float>(lengths(i, j));
            fetch(i, j) = diagonal ? std::sqrt(k * k + k * k) + 0.7f : k + 0.5f;
        }
    }
    return out;
}
