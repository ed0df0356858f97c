#pragma once
// The run's answers: replayed from zel_responses.txt, or asked on the console
// and saved there for the next run.
#include <string>
#include <vector>

#include "common/responses.hpp"

class Console;

inline constexpr const char* kResponsesFile = "zel_responses.txt";
// Where the answers go when zel_responses.txt cannot be written.
inline constexpr const char* kResponsesFallback = "fort.99";

// The 14 lines of a version 4 zel_responses.txt, without line ends. With
// `echo` the lines are those shown when saved answers are replayed.
std::vector<std::string> responses_lines(const Responses& r, bool echo = false);

// zel_responses.txt when it is of version 4, otherwise the dialogue.
Responses obtain_answers(Console& con);
// Replay zel_responses.txt (the saved-answers path).
Responses read_saved_answers(Console& con);
// Ask every question and write zel_responses.txt (the dialogue path).
Responses run_dialogue(Console& con);
// The values derived from the answers for the non-contributing-area stage;
// looks for nca.r2s in the basin folder.
void set_derived_answers(Responses& r);
