// Placeholder: replaced by the real stage.
#include "network/land_cover_adjust.hpp"

void adjust_land_cover(Run&, Console&) {}
