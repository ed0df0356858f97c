// Placeholder: replaced by the real stage.
#include "ensim/r2s_reader.hpp"

void read_r2s(Run&, Console&, int, const std::string&) {}
