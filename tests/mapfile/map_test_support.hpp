#pragma once
// A Run with its map file in memory and a Console over string streams, for
// driving the map file stages directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"

struct StageRun {
    explicit StageRun(std::string map_text, std::string input = "")
        : in(std::move(input)), con(in, out) {
        run.map = TextReader(std::move(map_text), "zelm.map");
    }
    std::vector<std::string> lines() const {
        std::vector<std::string> v;
        std::istringstream s(out.str());
        for (std::string l; std::getline(s, l);) v.push_back(l);
        return v;
    }
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

// Run `f`, which must stop; the Stop is returned.
template <class F>
Stop expect_stop(F&& f) {
    try {
        f();
    } catch (const Stop& s) {
        return s;
    }
    ADD_FAILURE() << "the stage did not stop";
    return {};
}

inline bool has_line(const Stop& s, const std::string& line) {
    return std::find(s.lines.begin(), s.lines.end(), line) != s.lines.end();
}
inline bool mentions(const Stop& s, const std::string& part) {
    return std::any_of(s.lines.begin(), s.lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

// A working folder of its own for tests that read files by fixed names.
class TempFolder {
  public:
    TempFolder() : old_(std::filesystem::current_path()) {
        dir_ =
            std::filesystem::temp_directory_path() /
            ("zel_map_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    ~TempFolder() {
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

  private:
    std::filesystem::path old_, dir_;
};

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
