#pragma once
// Helpers shared by the stage tests: a fresh working folder for each test,
// small files written and read back, and the lines a stage stops with.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/console.hpp"
#include "common/free_format.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "mapfile/map_input.hpp"
#include "parfile/read_par.hpp"

namespace zeltest {

inline void write_file(const std::filesystem::path& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
}

inline std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream s(text);
    for (std::string l; std::getline(s, l);) lines.push_back(l);
    return lines;
}

// The lines of a file.
inline std::vector<std::string> lines_of(const std::string& name) {
    std::ifstream f(name);
    std::vector<std::string> lines;
    for (std::string l; std::getline(f, l);) lines.push_back(l);
    return lines;
}

// A file of the source tree, by its path from the top folder.
inline std::string source_text(const std::string& path) {
    std::ifstream f(std::string(ZEL_SOURCE_DIR) + "/" + path, std::ios::binary);
    EXPECT_TRUE(f) << "cannot read " << path;
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Whether whole lines of `text` are these, one after another.
inline bool has_lines(const std::string& text, std::initializer_list<std::string_view> lines) {
    std::string block = "\n";
    for (auto l : lines) {
        block += l;
        block += '\n';
    }
    return ("\n" + text).find(block) != std::string::npos;
}
// How often `what` occurs in `text`.
inline std::size_t count(const std::string& text, std::string_view what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// `text` with its first `from` replaced by `to` (which must be there).
inline std::string replaced(std::string text, std::string_view from, std::string_view to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "the text lacks: " << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

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

// The lines of the error stop `f` ends with, each followed by a newline; ""
// when `f` returns.
template <class F>
std::string stop_text(F&& f) {
    try {
        f();
    } catch (const Stop& s) {
        EXPECT_EQ(s.exit_status(), 1);
        std::string all;
        for (const auto& l : s.lines) all += l + "\n";
        return all;
    }
    return {};
}

// Whether one of the stop's lines is `line`.
inline bool has_line(const Stop& s, const std::string& line) {
    return std::find(s.lines.begin(), s.lines.end(), line) != s.lines.end();
}
// Whether one of the stop's lines holds `part`.
inline bool mentions(const Stop& s, const std::string& part) {
    return std::any_of(s.lines.begin(), s.lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

// Work in a fresh temporary folder for the lifetime of this object; then go
// back and remove the folder with everything in it.
class WorkFolder {
  public:
    WorkFolder() : old_(std::filesystem::current_path()) {
        std::string tmpl = (std::filesystem::temp_directory_path() / "zel_test_XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        dir_ = tmpl;
        std::filesystem::current_path(dir_);
    }
    ~WorkFolder() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    void write(const std::string& name, const std::string& text) const {
        write_file(dir_ / name, text);
    }

  private:
    std::filesystem::path old_, dir_;
};

// A Run whose console reads `input` and writes into a string, and whose run
// log stays in memory (it is never opened as a file).
struct TestRun {
    explicit TestRun(std::string input = "") : in(std::move(input)) {}
    std::istringstream in;
    std::ostringstream out;
    Console con{in, out};
    ::Run run{con};

    std::string console() const { return out.str(); }
    std::vector<std::string> lines() const { return split_lines(out.str()); }
    bool said(const std::string& line) const {
        const auto v = lines();
        return std::find(v.begin(), v.end(), line) != v.end();
    }
    std::string log() { return run.log.buffer(); }
    // The output files finished so far take their names, as at a normal ending.
    void publish() { run.outputs.publish(); }
};

// A TestRun over a map file held in memory (named zelm.map), for the map
// file stages reading into `input`.
struct MapRun : TestRun {
    explicit MapRun(std::string map_text, std::string answers = "")
        : TestRun(std::move(answers)), map(std::move(map_text), "zelm.map") {}
    TextReader map;
    MapInput input;
};

// What the parameter file tests read against: 6 land-cover classes and 3
// river classes on a UTM grid of 1 km rows north of y = 5000 km; cells 1..4
// in the basin (rows 1, 1, 2, 2), cell 5 receiving (row 3).
struct ParTestBasin {
    ParTestBasin() {
        hdr.projection = *parse_map_projection("UTM");
        hdr.yorigin = 5000000.0f;
        hdr.ydelta = 1000.0f;
    }
    ParTestBasin(const ParTestBasin&) = delete;  // `basin` points into this object
    ParTestBasin& operator=(const ParTestBasin&) = delete;

    MapHeader hdr;
    std::vector<int> row{0, 1, 1, 2, 2, 3};
    std::vector<int> iak{0, 1, 2, 3, 2, 1};  // river class by cell
    ParBasin basin{6, 3, 5, 4, &row, &iak, &hdr};
};

// A stage called directly in a fresh working folder, with a Run and a Console
// over string streams. The folder outlives the Run, so whatever the Run drops
// at its end stays inside the folder.
class StageTest : public ::testing::Test {
  protected:
    WorkFolder folder;
    std::istringstream in;
    std::ostringstream out;
    Console con{in, out};
    ::Run run{con};

    std::string console() const { return out.str(); }
    std::string log() { return run.log.buffer(); }
    // The console input from here on.
    void answer(const std::string& text) {
        in.str(text);
        in.clear();
    }
    // Start again with an empty console output and run log, at debug level 0.
    void restart() {
        out.str("");
        run.log = OutputFile{};
        run.iopt = 0;
    }
};

}  // namespace zeltest
