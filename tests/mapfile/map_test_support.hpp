#pragma once
// A Run with its map file in memory and a Console over string streams, for
// driving the map file stages directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.hpp"

using zeltest::expect_stop;

struct StageRun {
    explicit StageRun(std::string map_text, std::string input = "")
        : in(std::move(input)), con(in, out) {
        run.map = TextReader(std::move(map_text), "zelm.map");
    }
    std::vector<std::string> lines() const { return zeltest::split_lines(out.str()); }
    bool said(const std::string& line) const {
        auto v = lines();
        return std::find(v.begin(), v.end(), line) != v.end();
    }
    std::string log() { return run.log.buffer(); }

    Run run;
    std::istringstream in;
    std::ostringstream out;
    Console con;
};

inline bool has_line(const Stop& s, const std::string& line) {
    return std::find(s.lines.begin(), s.lines.end(), line) != s.lines.end();
}
inline bool mentions(const Stop& s, const std::string& part) {
    return std::any_of(s.lines.begin(), s.lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

// Header of a small UTM map of `cols` x `rows` squares.
inline std::string map_header(int cols, int rows, const std::string& extra = "") {
    return "#########\n"
           ":FileType map ASCII EnSim 1.0\n"
           "# test basin\n"
           ":Projection UTM\n"
           ":Ellipsoid WGS84\n"
           ":Zone 17\n"
           ":xOrigin 500000.0\n"
           ":yOrigin 4800000.0\n"
           ":xCount " +
           std::to_string(cols) +
           "\n"
           ":yCount " +
           std::to_string(rows) +
           "\n"
           ":xDelta 30.0\n"
           ":yDelta 30.0\n"
           ":contourInterval 10.0\n"
           ":imperviousArea 0\n"
           ":classCount 3\n"
           ":elevConversion 1.0\n" +
           extra + ":endHeader\n";
}
