// Placeholder: replaced by the real stage.
#include "mapfile/land_cover.hpp"

void read_classes_and_combine(Run&, Console&) {}
