// Placeholder: replaced by the real stage.
#include "network/subwatershed.hpp"

void revise_outlets(Run&, Console&) {}
void extract_and_trim(Run&, Console&) {}
void blank_outside_watershed(Run&) {}
void adjust_legacy_extents(Run&, Console&) {}
void report_trimming_again(Run&, Console&) {}
