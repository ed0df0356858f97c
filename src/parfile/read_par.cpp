// Placeholder: replaced by the real stage.
#include "parfile/read_par.hpp"

void read_par_parser(Run&, Console&, int, const std::string&) {}
