#pragma once
// What the stage benchmarks share: the SIZE argument, a scratch folder, the
// synthetic basin of the tests' basin builder and a step clock.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "basin_builder.hpp"
#include "common/console.hpp"
#include "common/run.hpp"

namespace bench {

// The SIZE argument, or `fallback` without one; 0 (after saying so) when it is
// too small for a basin with a blank edge.
inline int size_arg(int argc, char** argv, int fallback) {
    const int size = argc > 1 ? std::atoi(argv[1]) : fallback;
    if (size < 8) {
        std::fprintf(stderr, "size must be 8 or more\n");
        return 0;
    }
    return size;
}

// Work in a scratch folder of this name under the temporary folder, so that
// the files written (or drainage error files) land there.
inline void enter_scratch(const std::string& name) {
    const auto scratch = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);
}

// Wall and processor seconds of the steps timed, one by one and in total.
struct StepClock {
    double wall = 0, cpu = 0;         // the last step
    double total = 0, total_cpu = 0;  // all steps so far

    template <class F>
    void time(F&& step) {
        const auto t0 = std::chrono::steady_clock::now();
        const std::clock_t c0 = std::clock();
        step();
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        total += wall;
        total_cpu += cpu;
    }
};

// A synthetic basin in a scratch folder, with a console that stays silent.
struct Setup {
    int size = 0;  // 0: the size argument was bad
    std::unique_ptr<zeltest::BasinBuilder> basin;
    std::istringstream in;
    std::ostringstream out;
    Console con{in, out};
    Run run{con};
};
inline void set_up(Setup& b, int argc, char** argv, int fallback, const std::string& scratch,
                   int classes = 1) {
    b.size = size_arg(argc, argv, fallback);
    if (b.size == 0) return;
    enter_scratch(scratch);
    b.basin = std::make_unique<zeltest::BasinBuilder>(zeltest::BasinBuilder::synthetic(b.size, classes));
}

}  // namespace bench
