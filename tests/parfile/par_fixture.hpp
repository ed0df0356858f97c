#pragma once
// A basin of 6 land-cover classes and 3 river classes, a temporary working
// folder, and helpers to run the parser on variants of the complete fixture.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>

#include "parfile/read_par.hpp"
#include "test_support.hpp"

namespace fs = std::filesystem;

class ParFileTest : public ::testing::Test {
  protected:
    void SetUp() override { basin(); }
    // Start again with a fresh run on the same basin.
    void reset() {
        run = ::Run{};
        out.str("");
        basin();
    }
    void basin() {
        // Cells 1..4 in the basin, cell 5 receives the outflow.
        run.hdr.ntype = 5;
        run.hdr.projection = "UTM";
        run.hdr.yorigin = 5000000.0f;
        run.hdr.ydelta = 1000.0f;
        run.nrvr = 3;
        run.na = 5;
        run.naa = 4;
        run.cells.iak = {0, 1, 2, 3, 2, 1};
        run.cells.row = {0, 1, 1, 2, 2, 3};
        run.cells.col = {0, 1, 2, 1, 2, 2};
    }
    static std::string fixture() {
        std::ifstream f(std::string(ZEL_SOURCE_DIR) + "/tests/parfile/fixtures/basin_par.csv");
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    // The text with `from` replaced by `to` (which must be there).
    static std::string with(std::string text, std::string_view from, std::string_view to) {
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << "fixture lacks: " << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
        return text;
    }

    // Run the parser on `text` with `answers` as console input.
    void parse(const std::string& text, const std::string& answers = "") {
        folder.write("basin_par.csv", text);
        std::istringstream in(answers);
        Console con(in, out);
        read_par_parser(run, con, 32, "basin_par.csv");
    }
    // The stop the parser ends with (fails the test when it returns normally).
    Stop parse_stop(const std::string& text, const std::string& answers = "") {
        return zeltest::expect_stop([&] { parse(text, answers); });
    }

    std::string console() const { return out.str(); }
    std::string log() { return run.log.buffer(); }
    // Whether the lines stand one after another in `text`.
    static bool has_lines(const std::string& text, std::initializer_list<std::string_view> lines) {
        std::string block;
        for (auto l : lines) {
            block += l;
            block += '\n';
        }
        return text.find(block) != std::string::npos;
    }
    static std::size_t count(const std::string& text, std::string_view what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }

    zeltest::WorkFolder folder;
    ::Run run;
    std::ostringstream out;
};
