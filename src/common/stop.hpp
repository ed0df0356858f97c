#pragma once
// Ending the run. A stop is thrown and caught only in main, which prints the
// message and turns the kind into the exit status.
#include <string>
#include <vector>

enum class StopKind {
    normal,  // a normal ending (exit status 0)
    error,   // every stop caused by an error (exit status 1)
};

struct Stop {
    std::vector<std::string> lines;  // printed one per line, the last being the stop message
    StopKind kind = StopKind::error;
    int exit_status() const { return kind == StopKind::normal ? 0 : 1; }
};

// Stop the run with an error: print `message` and exit with status 1.
[[noreturn]] void stop(std::string message);
// Stop with several lines (a clear explanation followed by the stop message).
[[noreturn]] void stop_lines(std::vector<std::string> lines);
// A normal ending (exit status 0), such as " Normal ending".
[[noreturn]] void stop_normal(std::string message);
