// Placeholder: replaced by the real stage.
#include "network/fetch.hpp"

void fetch_2d(Run&, Console&) {}
