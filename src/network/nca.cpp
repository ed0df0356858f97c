// Placeholder: replaced by the real stage.
#include "network/nca.hpp"

void non_contributing_areas(Run&, Console&) {}
