// Placeholder: replaced by the real stage.
#include "output/outputs.hpp"

void write_ch_par(Run&, Console&) {}
