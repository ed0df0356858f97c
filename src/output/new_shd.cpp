// Placeholder: replaced by the real stage.
#include "output/outputs.hpp"

void write_new_shd(Run&, Console&) {}
