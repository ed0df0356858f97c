#include "network/dem_stats.hpp"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "common/console.hpp"
#include "common/output_file.hpp"
#include "common/responses.hpp"
#include "common/run.hpp"
#include "mapfile/map_input.hpp"
#include "common/stop.hpp"
#include "ensim/r2s_reader.hpp"
#include "ensim/r2s_reader_header.hpp"

namespace {

// Model row (or column) of a DEM point whose lower-left corner lies at
// `offset` from the model origin; 0 when it is outside 1..count. The whole
// expression, "+ 1" included, is truncated, so points south or west of the
// grid land on 0 and are dropped.
int model_index(double offset, double delta, int count) {
    double v = offset / delta + 1.0;
    if (!(v >= 1.0) || !(v < count + 1.0)) return 0;
    return static_cast<int>(v);
}

}  // namespace

std::optional<DemStats> dem_statistics(const MapHeader& mh, char answer, Run& run) {
    Console& con = run.con;
    if (answer != 'y') return std::nullopt;
    if (!file_exists(kDemFile)) {
        con.say();
        con.say("WARNING:");
        con.say("The file dem.r2s is NOT found");
        con.say("so the elv_means.r2c file can not be created.");
        con.say("The implication is that lapse rate computations will");
        con.say("be based on the channel elevations and not the mean");
        con.say("grid elevations");
        con.say();
        con.wait("Program pause in zel @ 1017 - hit enter to continue");
        return std::nullopt;
    }
    con.say();
    con.say("A DEM file has been found");
    con.say("so mean grid elevations will be calculated");
    con.say("and written to a files: elev_means.r2c");
    con.say("These mean elevations will be used for lapse rate");
    con.say("adjustments to temperature & precip if left in");
    con.say("the basin directory");
    con.say();
    con.say("reading dem.r2s file");
    const R2sGrid read = read_r2s(kDemFile, 99, run);

    DemStats stats;
    stats.dem = read.header;
    const GridHeader& gh = read.header;
    const Grid<float>& dem = read.values;
    con.line(num(mh.xdelta), num(gh.xdelta), num(mh.ydelta),
             num(gh.ydelta));
    double expected = (mh.xdelta / gh.xdelta + 1.0f) * (mh.ydelta / gh.ydelta + 1.0f);
    con.line("no points in the dem.r2s file:",
             static_cast<long long>(std::clamp(expected, -1.0e18, 1.0e18)));

    const int ny = mh.ycount, nx = mh.xcount;
    std::vector<double> sum;
    std::vector<std::int64_t> count;
    try {
        sum.assign(static_cast<std::size_t>(ny) * nx, 0.0);
        count.assign(sum.size(), 0);
        stats.mean.assign(ny, nx, 0.0f);
        stats.max.assign(ny, nx, -1000.0f);
    } catch (const std::bad_alloc&) {
        stop("Error with allocation of elv_dem in zel @ 905");
    }
    float* maximum = stats.max.values().data();

    // The model column of every DEM column, worked out once.
    std::vector<int> col_of(static_cast<std::size_t>(dem.cols()));
    for (int c = 1; c <= dem.cols(); ++c) {
        double offset = (c - 1) * static_cast<double>(gh.xdelta) + static_cast<double>(gh.xorigin) -
                        static_cast<double>(mh.xorigin);
        col_of[static_cast<std::size_t>(c - 1)] = model_index(offset, mh.xdelta, nx);
    }

    const int rows = dem.rows();
    const int report_every = std::max(1, rows / 10);
    long long points_in = 0;
    for (int r = 1; r <= rows; ++r) {
        if (r % report_every == 0) con.line("doing row", r, "/", rows);
        double offset = (r - 1) * static_cast<double>(gh.ydelta) + static_cast<double>(gh.yorigin) -
                        static_cast<double>(mh.yorigin);
        int i = model_index(offset, mh.ydelta, ny);
        if (i == 0) continue;
        const std::size_t base = static_cast<std::size_t>(i - 1) * nx;
        const float* values = dem.row_data(r);
        for (int c = 0; c < dem.cols(); ++c) {
            int j = col_of[static_cast<std::size_t>(c)];
            if (j == 0) continue;
            std::size_t k = base + static_cast<std::size_t>(j - 1);
            ++points_in;
            float v = values[c];
            if (v > 0) {
                sum[k] += v;
                ++count[k];
                maximum[k] = std::max(maximum[k], v);
            }
        }
    }
    if (points_in == 0) {
        con.say("No point of dem.r2s lies inside the model grid:");
        con.say("the mean elevations are 0 and the maximum elevations -1000.0");
    }

    con.say("calculating means");
    // The count holds positive values only, so a square reached by no-data
    // points alone, or by no point at all, gets mean 0 (never a division by 0).
    float* mean = stats.mean.values().data();
    for (std::size_t k = 0; k < sum.size(); ++k)
        if (count[k] > 0) mean[k] = static_cast<float>(sum[k] / static_cast<double>(count[k]));
    con.say("Done calculating mean elevations");
    con.say();
    return stats;
}
