// Placeholder: replaced by the real stage.
#include "ensim/field_format.hpp"

namespace field {
void put_i(std::string&, long long, int) {}
void put_f(std::string&, double, int, int) {}
void put_e(std::string&, double, int, int) {}
void put_a(std::string&, std::string_view, int, int) {}
}  // namespace field
