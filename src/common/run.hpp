#pragma once
// What every stage of a run shares: the console, the run log, the
// drainage-error log, the output files written so far and the debug level. Everything else a stage needs is
// handed to it, and what it makes it returns.
#include <string_view>

#include "common/console.hpp"
#include "common/output_file.hpp"
#include "common/output_set.hpp"

struct Run {
    explicit Run(Console& console, int debug_level = 0) : con(console), iopt(debug_level) {}

    Console& con;
    OutputFile log;        // zel_info.txt, opened with the legacy files
    OutputFile error_log;  // fort.39, created on the first drainage error
    OutputSet outputs;     // the output files, published at a normal ending
    int iopt = 0;          // from the command line; the parameter file may replace it
    bool dry = false;      // a check or a query: no stage writes a file

    void log_line(std::string_view text = {}) { log.line(text); }
    // A numbered debug checkpoint: waits when iopt is `level`.
    void checkpoint(int level, int number) { con.checkpoint(iopt, level, number); }
};

// The most land-cover classes a run can have: the watershed file numbers its
// attributes in three digits, 20 of them fixed.
inline constexpr int kMaxClasses = 979;
