// Placeholder: replaced by the real stage.
#include "output/outputs.hpp"

void write_legacy_shd(Run&, Console&) {}
