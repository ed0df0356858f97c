// zel_overview.svg: a picture of the run.
#include "output/outputs.hpp"

void write_overview(const WrittenBasin&, const RiverProfiles&, Run&) {}
