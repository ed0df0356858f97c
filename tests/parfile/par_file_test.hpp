#pragma once
// The parameter file read against the test basin in a fresh folder: the
// fixture of the parameter-file tests.
#include <string>
#include <string_view>

#include "parfile/read_par.hpp"
#include "test_support.hpp"

namespace zeltest {

class ParFileTest : public StageTest {
  protected:
    // Read `text` as basin_par.csv with `answers` as console input.
    void parse(const std::string& text, const std::string& answers = "") {
        folder.write("basin_par.csv", text);
        answer(answers);
        par = read_par_parser("basin_par.csv", b.basin, 32, run);
    }
    // The stop the parser ends with (fails the test when it returns normally).
    Stop parse_stop(const std::string& text, const std::string& answers = "") {
        return expect_stop([&] { parse(text, answers); });
    }

    ParTestBasin b;
    ParameterSet par;
};

// The complete parameter file of the test basin.
inline std::string par_fixture() { return source_text("tests/parfile/fixtures/basin_par.csv"); }

}  // namespace zeltest
