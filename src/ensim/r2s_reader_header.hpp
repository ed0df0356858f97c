#pragma once
// The keyword scan of an r2s header, shared by the r2s reader and the
// non-contributing-area reader (which has its own messages and stops).
#include <charconv>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class TextReader;

struct R2sHeader {
    std::string projection = "unknown";  // as found (10 characters at most)
    std::string datum1 = "unknown";
    int zone = 0;
    double xorigin = 0, yorigin = 0;
    int xcount = 0, ycount = 0;
    double xdelta = 0, ydelta = 0;
    std::string frame_time;
    bool has_xorigin = false, has_yorigin = false;
    bool has_xcount = false, has_ycount = false;
    bool has_xdelta = false, has_ydelta = false;
    std::size_t xcount_line = 0, ycount_line = 0, xdelta_line = 0, ydelta_line = 0;

    // What went wrong, if anything.
    enum class Problem { none, bad_value, missing_value, no_end } problem = Problem::none;
    std::size_t line = 0;  // line of the problem
    std::string keyword;   // keyword whose value failed
    std::string text;      // the offending field
};

// Read header lines from `reader` (positioned at the start of the file) up to
// and including the ":EndHeader" (or ":endHeader") line. Every line read is
// handed to `echo`. On a problem the scan stops and says so in the result.
R2sHeader scan_r2s_header(TextReader& reader, const std::function<void(std::string_view)>& echo);

// The first header check that fails, as a plain sentence naming the file and
// line ("" when the header is complete and sound): a problem of the scan, a
// missing count, origin or cell size, counts below 1 or cell sizes not above 0.
std::string r2s_header_fault(const R2sHeader& h, const std::string& file_name);
