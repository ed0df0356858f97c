#pragma once
// The run sequence and the driver's own steps.
#include <optional>
#include <string>
#include <vector>

#include "common/free_format.hpp"
#include "common/parameter_set.hpp"
#include "common/responses.hpp"
#include "output/outputs.hpp"
#include "parfile/read_par.hpp"

class Console;
struct LandCover;
struct MapInput;
struct Network;
struct Run;

// The whole run, step by step. It ends by throwing Stop, also for a normal
// ending. The places a run may end early, besides the input checks of each
// stage: the answers (their file or the dialogue), the files' opening, the
// map file header and blocks, the cell checks (no receiving cell), the
// extraction (no cell left), the parameter file and its checks, a writer
// that cannot create its file, the fraction check and the river profiles.
[[noreturn]] void run_zel(Run& run);

// The files opened after the answers.
struct OpenFiles {
    TextReader map;             // the map file, read whole
    bool have_par_file = false; // a parameter file is to be read
    LegacyFiles legacy;         // new_format.shd, old_format.shd, ssdata.out
};

// Steps of the sequence owned by the driver.
void start_up(Console& con);                               // banner, notice, wait
OpenFiles open_files(const Responses& answers, Run& run);  // map, parameter file, legacy outputs, run log
// What the parameter file is read against: the classes the run writes (a
// split's nca_ classes included), the river classes and the cells.
ParBasin par_basin(const Responses& answers, const MapInput& map, const Network& net,
                   const LandCover& cover);
// The parameter file, when one is named: its name split, its extension
// checked, then parsed and checked against the basin.
std::optional<ParameterSet> read_parameter_file(const Responses& answers, bool have_par_file,
                                                const ParBasin& basin, Run& run);
[[noreturn]] void ending(LegacyFiles& legacy, int errors, Run& run);
