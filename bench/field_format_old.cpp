// The field formatter as it was before its integer paths: Iw as it was, Fw.d
// and Ew.d by the general path they all took then, as the reference that
// format_check compares the current one against. Built apart,
// like the current one, so that neither is inlined into the timing.
#include "field_format_old.hpp"

#include "common/field_digits.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace field_old {

using namespace field::digits;

void put_i(std::string& out, long long v, int w) {
    if (w <= 0) return;
    bool neg = v < 0;
    std::uint64_t mag = neg ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    if (w <= kShort) {
        char buf[kShort + 24];
        char* end = buf + sizeof buf;
        char* p = end;
        do {
            *--p = static_cast<char>('0' + mag % 10);
            mag /= 10;
        } while (mag != 0);
        if (neg) *--p = '-';
        if (end - p > w) return stars(out, w);
        return finish_short(out, p, end, w);
    }
    char buf[24];
    int len = utoa(mag, buf);
    int need = len + (neg ? 1 : 0);
    if (need > w) return stars(out, w);
    char* p = grow(out, w, need);
    if (neg) *p++ = '-';
    std::memcpy(p, buf, static_cast<std::size_t>(len));
}

// Before the integer paths, every Fw.d and Ew.d took what is now the general path.
void put_f(std::string& out, double v, int w, int d) {
    if (w <= 0) return;
    put_f_general(out, v, w, d < 0 ? 0 : d);
}

void put_e(std::string& out, double v, int w, int d) {
    if (w <= 0) return;
    put_e_general(out, v, w, d);
}

}  // namespace field_old
