#pragma once
// The field formatter as it was before its integer paths (field_format_old.cpp).
#include <string>

namespace field_old {

void put_i(std::string& out, long long v, int w);
void put_f(std::string& out, double v, int w, int d);
void put_e(std::string& out, double v, int w, int d);

}  // namespace field_old
