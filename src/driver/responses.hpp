#pragma once
// The run's answers: replayed from zel_responses.txt, or asked on the console
// and saved there for the next run.
#include <string>
#include <vector>

struct Responses;
struct Run;
class Console;

inline constexpr const char* kResponsesFile = "zel_responses.txt";
// Where the answers go when zel_responses.txt cannot be written.
inline constexpr const char* kResponsesFallback = "fort.99";

// The 14 lines of a version 4 zel_responses.txt, without line ends. With
// `echo` the lines are those shown when saved answers are replayed.
std::vector<std::string> responses_lines(const Responses& r, bool echo = false);

// Replay zel_responses.txt (the saved-answers path).
void read_saved_answers(Run& run, Console& con);
// Ask every question and write zel_responses.txt (the dialogue path).
void run_dialogue(Run& run, Console& con);
// The values derived from the answers for the non-contributing-area stage;
// looks for nca.r2s in the basin folder.
void set_derived_answers(Run& run);
