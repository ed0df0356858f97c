// Placeholder: replaced by the real stage.
#include "network/dem_stats.hpp"

void dem_statistics(Run&, Console&) {}
