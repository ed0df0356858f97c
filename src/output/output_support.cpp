#include "output/output_support.hpp"

#include <charconv>
#include <cstdio>
#include <ctime>

#include "common/stop.hpp"

namespace out {

Span written_span(const Run& run) {
    const MapHeader& h = run.hdr;
    const Window& w = run.window;
    Span s;
    s.row0 = w.south + 1;
    s.row1 = h.ycount - w.north;
    s.col0 = w.west + 1;
    s.col1 = h.xcount - w.east;
    // Never outside the grids, whatever the counts say.
    if (s.row0 < 1) s.row0 = 1;
    if (s.col0 < 1) s.col0 = 1;
    if (s.row1 > run.grid.rank.rows()) s.row1 = run.grid.rank.rows();
    if (s.col1 > run.grid.rank.cols()) s.col1 = run.grid.rank.cols();
    s.rows = s.row1 >= s.row0 ? s.row1 - s.row0 + 1 : 0;
    s.cols = s.col1 >= s.col0 ? s.col1 - s.col0 + 1 : 0;
    if (s.rows == 0) s.row1 = s.row0 - 1;
    if (s.cols == 0) s.col1 = s.col0 - 1;
    // Single precision, as the grid files of the model family carry it.
    s.xorigin = static_cast<float>(h.xorigin + static_cast<float>(w.west) * h.xdelta);
    s.yorigin = static_cast<float>(h.yorigin + static_cast<float>(w.south) * h.ydelta);
    return s;
}

int cells_kept(const Run& run) {
    return run.n_kept > 0 ? run.n_kept : run.na;
}

int cells_in_basin(const Run& run) {
    return run.n_kept > 0 ? run.n_kept - run.n_kept_receiving : run.naa;
}

std::string creation_date() {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d  %02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min);
    return buf;
}

std::string created_stamp() {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d  %02d-%02d-%04d", t.tm_hour, t.tm_min, t.tm_sec,
                  t.tm_mday, t.tm_mon + 1, t.tm_year + 1900);
    return buf;
}

bool is_latlong(const Run& run) {
    return run.hdr.projection == "LATLONG";
}

void put_fixed(std::string& b, double v, int decimals) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    // A negative value that rounds to zero is written without its sign.
    if (!text.empty() && text.front() == '-' &&
        text.find_first_not_of("-0.") == std::string_view::npos)
        text.remove_prefix(1);
    b.append(text);
}

void commit_or_stop(OutputFile& file) {
    if (!file.commit())
        stop_lines({" Problems writing the " + file.name() + " file ",
                    " error code = " + std::to_string(file.error_code()), " Program ZEL aborted"});
}

}  // namespace out
