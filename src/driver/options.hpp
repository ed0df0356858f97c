#pragma once
// The command line: the options, and otherwise the debug level.
#include <string>
#include <vector>

struct Options {
    enum class Mode {
        run,      // the whole run in the current folder
        help,     // --help: the usage, nothing read or written
        version,  // --version
        check,    // --check: a pre-flight of the basin folder, nothing written
        locate,   // --locate X Y [--radius R]: the cell at a map point, nothing written
        misuse,   // an option ZEL does not know, or one used wrongly
    };
    Mode mode = Mode::run;
    int iopt = -1;        // the debug level of a run
    std::string problem;  // what was wrong (misuse)
    double x = 0, y = 0;  // --locate: the map point
    double radius = 0;    // --radius, when given (has_radius)
    bool has_radius = false;
};

// Arguments beginning with "--" are options; any other command line keeps
// the old rule: the length of the first argument is the debug level.
Options parse_options(const std::vector<std::string>& args);

// The debug level from the command line: the length of the first argument
// (-1 when there is none); a one-character argument leaves it at 0.
int iopt_from_args(const std::vector<std::string>& args);

// What --help prints.
std::string usage_text();
// What --version prints.
std::string version_text();
