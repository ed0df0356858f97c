#pragma once
// Helpers shared by the writers of this folder: the written window, the
// values as written, creation stamps and header keys.
#include <string>
#include <string_view>

#include "common/console.hpp"
#include "common/field_format.hpp"
#include "common/output_file.hpp"
#include "common/text.hpp"
#include "ensim/r2c_writer.hpp"
#include "output/outputs.hpp"

namespace out {

// The basin rows and columns written.
inline Span written_span(const Window& w) { return {w.row0(), w.row1(), w.col0(), w.col1()}; }

// Open an optional output; when it cannot be opened, say so on the console
// (the run goes on without it) and return false.
bool open_optional(OutputFile& file, const std::string& name, Console& con);

// "HH:MM:SS  DD-MM-YYYY" for the :Created line of new_format.shd.
std::string created_stamp();

inline std::string key20(std::string_view key) { return padded(key, 20); }
inline const std::string& hash40() {
    static const std::string line = padded("#", 40);
    return line;
}

inline bool is_latlong(const MapHeader& h) { return h.projection.named(Projection::latlong); }

// frac_2d as written: the basin surface of a cell that drains into the
// watershed, 0 for receiving cells and for squares outside.
inline float written_frac(const WrittenBasin& b, int i, int j) {
    return b.shed.next(i, j) >= 1 ? b.net.areas.frac(i, j) : 0.0f;
}
// GridArea: frac_2d, or with non-contributing areas in use the contributing
// area, a receiving cell having that of 1 m2.
inline float written_area(const WrittenBasin& b, int i, int j) {
    if (!b.nca.in_use) return written_frac(b, i, j);
    if (!b.shed.kept(i, j)) return 0.0f;
    return b.shed.next(i, j) >= 1 ? b.nca.contrib_area(i, j) : 1.0f;
}
// A grid's value as written: 0 outside the watershed.
template <class T>
T written(const WrittenBasin& b, const Grid<T>& g, int i, int j) {
    return b.shed.kept(i, j) ? g(i, j) : T{};
}

// Finish a file among the run's outputs; a failed write stops the run rather
// than leaving a short file behind.
void commit_or_stop(OutputFile& file, Run& run);
void commit_or_stop(R2cWriter& file, Run& run);

}  // namespace out
