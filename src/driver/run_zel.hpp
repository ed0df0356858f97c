#pragma once
#include <string>
#include <vector>

struct Run;
class Console;

// The debug level from the command line: the length of the first argument
// (-1 when there is none); a one-character argument leaves it at 0.
int iopt_from_args(const std::vector<std::string>& args);

// The whole run, step by step. Ends by throwing Stop (also for a normal ending).
[[noreturn]] void run_zel(Run& run, Console& con);

// Steps of the sequence owned by the driver.
void start_up(Run& run, Console& con);             // banner, notice, wait
void obtain_answers(Run& run, Console& con);       // zel_responses.txt or the dialogue
void open_files(Run& run, Console& con);           // map, parameter file, legacy outputs, run log
void read_parameter_file(Run& run, Console& con);  // name split, extension check, parser
[[noreturn]] void ending(Run& run, Console& con);
