#pragma once
// The digit pieces under the field notation: exact decimal digits of a double
// in fixed and scientific form, and the small steps that put a field together.
// Shared by the formatter and by the benchmark's copy of its former self.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace field::digits {


// Powers of ten as doubles: exact up to 1e22, correctly rounded beyond.
inline const std::array<double, 309>& powers_of_ten() {
    static const std::array<double, 309> table = [] {
        std::array<double, 309> t{};
        for (int k = 0; k < 309; ++k) t[k] = k <= 22 ? 0.0 : std::pow(10.0, k);
        double p = 1.0;
        for (int k = 0; k <= 22; ++k, p *= 10.0) t[k] = p;  // exact in this range
        return t;
    }();
    return table;
}

inline void stars(std::string& out, int w) {
    out.append(static_cast<std::size_t>(w), '*');
}

// Extend `out` by a field of w characters whose last `used` ones the caller
// fills; the leading blanks are set here. Returns where the caller writes.
inline char* grow(std::string& out, int w, int used) {
    std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(w));
    char* p = out.data() + at;
    std::memset(p, ' ', static_cast<std::size_t>(w - used));
    return p + (w - used);
}

// Decimal digits of n into buf (no terminator); returns the count.
inline int utoa(std::uint64_t n, char* buf) {
    char tmp[24];
    int len = 0;
    do {
        tmp[len++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    for (int i = 0; i < len; ++i) buf[i] = tmp[len - 1 - i];
    return len;
}

// Add one to a digit string in place; true when it carried out of the top.
inline bool increment(char* digits, int len) {
    for (int i = len - 1; i >= 0; --i) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    return true;
}

// NaN and infinity, right-aligned; asterisks when they do not fit.
inline void put_special(std::string& out, double v, int w) {
    const char* text = std::isnan(v) ? "NaN" : std::signbit(v) ? "-Infinity" : "Infinity";
    if (std::isinf(v) && static_cast<int>(std::strlen(text)) > w)
        text = std::signbit(v) ? "-Inf" : "Inf";
    int len = static_cast<int>(std::strlen(text));
    if (len > w) return stars(out, w);
    out.append(static_cast<std::size_t>(w - len), ' ');
    out.append(text, static_cast<std::size_t>(len));
}

// |v| * 10^d rounded to an integer, ties away from zero on the exact binary
// value, computed in double arithmetic. False when the value is too large or
// sits too close to a tie for that to be safe.
inline bool fast_fixed(double a, int d, std::uint64_t& n) {
    if (d > 22) return false;
    double s = a * powers_of_ten()[d];  // one rounding: at most half an ulp off
    if (!(s < 4.0e15)) return false;
    double fl = std::floor(s);
    double fr = s - fl;  // exact below 2^52
    if (std::fabs(fr - 0.5) <= s * 4.5e-16 + 1e-300) return false;
    n = static_cast<std::uint64_t>(fl) + (fr > 0.5 ? 1 : 0);
    return true;
}

// |v| (nonzero, finite) rounded to d significant digits as the integer n of d
// digits and the exponent e10 with |v| ~ 0.n * 10^e10. False when double
// arithmetic cannot decide the rounding safely.
inline bool fast_sci(double a, int d, std::uint64_t& n, int& e10) {
    if (d > 15) return false;
    const auto& p10 = powers_of_ten();
    int e2 = 0;
    std::frexp(a, &e2);
    // a lies in [2^(e2-1), 2^e2): a first guess, put right by the range checks.
    int e = static_cast<int>(std::floor((e2 - 1) * 0.30102999566398120)) + 1;
    double lo = p10[d - 1], hi = p10[d];
    for (int tries = 0; tries < 4; ++tries) {
        int k = d - e;
        if (k > 300 || k < -300) return false;
        double s = k >= 0 ? a * p10[k] : a / p10[-k];
        if (s >= hi) {
            ++e;
            continue;
        }
        if (s < lo) {
            --e;
            continue;
        }
        double fl = std::floor(s);
        double fr = s - fl;
        if (std::fabs(fr - 0.5) <= s * 1e-15) return false;  // too near a tie
        n = static_cast<std::uint64_t>(fl) + (fr > 0.5 ? 1 : 0);
        if (n >= static_cast<std::uint64_t>(hi)) {
            n /= 10;
            ++e;
        }
        e10 = e;
        return true;
    }
    return false;
}

// |v| rounded to d decimals as a digit string (the integer |v| * 10^d).
// Returns the digit count.
inline int fixed_digits(double a, int d, char* buf) {
    std::uint64_t n = 0;
    if (fast_fixed(a, d, n)) return utoa(n, buf);
    // Exact path: glibc prints every digit of the binary value when asked for
    // enough of them; round that digit string ourselves.
    int e2 = 0;
    std::frexp(a, &e2);
    int need = std::max(0, 53 - e2);
    if (need > 1074) need = 1074;
    int prec = std::max(need, d + 1);
    static thread_local char text[1500];
    std::snprintf(text, sizeof text, "%.*f", prec, a);
    int len = 0;
    const char* p = text;
    for (; *p && *p != '.'; ++p) buf[len++] = *p;
    ++p;  // the point
    for (int i = 0; i < d; ++i) buf[len++] = p[i];
    if (p[d] >= '5' && increment(buf, len)) {
        std::memmove(buf + 1, buf, static_cast<std::size_t>(len));
        buf[0] = '1';
        ++len;
    }
    return len;
}

// |v| (nonzero, finite) rounded to d significant digits: the digit string
// and the exponent e10 with |v| ~ 0.ddd * 10^e10.
inline void sci_digits(double a, int d, char* buf, int& e10) {
    std::uint64_t n = 0;
    if (fast_sci(a, d, n, e10)) {
        utoa(n, buf);
        return;
    }
    static thread_local char text[900];
    std::snprintf(text, sizeof text, "%.*e", 780, a);  // every digit of a double
    int len = 0;
    const char* p = text;
    buf[len++] = *p++;
    if (*p == '.') ++p;
    while (len < d && *p >= '0' && *p <= '9') buf[len++] = *p++;
    while (len < d) buf[len++] = '0';
    bool up = *p >= '5' && *p <= '9';
    while (*p && *p != 'e') ++p;
    e10 = std::atoi(p + 1) + 1;
    if (up && increment(buf, d)) {
        buf[0] = '1';
        ++e10;
    }
}

// Fields up to this width are built right to left in a local buffer and
// appended at once: the common case for grid values.
constexpr int kShort = 64;

inline void put_digits_back(char*& p, std::uint64_t& n, int count) {
    for (int i = 0; i < count; ++i) {
        *--p = static_cast<char>('0' + n % 10);
        n /= 10;
    }
}

inline void finish_short(std::string& out, char* p, char* end, int w) {
    char* start = end - w;
    while (p > start) *--p = ' ';
    out.append(start, static_cast<std::size_t>(w));
}

// The exponent part of Ew.d: E+ee, or +eee without the letter.
inline void put_exponent_back(char*& p, int e10) {
    int ae = e10 < 0 ? -e10 : e10;
    *--p = static_cast<char>('0' + ae % 10);
    *--p = static_cast<char>('0' + ae / 10 % 10);
    if (ae > 99) {
        *--p = static_cast<char>('0' + ae / 100);
        *--p = e10 < 0 ? '-' : '+';
    } else {
        *--p = e10 < 0 ? '-' : '+';
        *--p = 'E';
    }
}

// Fw.d (d >= 0) and Ew.d for any value, w >= 1: double arithmetic where it is
// safe, the exact digits from the C library where it is not. The formatter's
// path for what its integer paths leave.
void put_f_general(std::string& out, double v, int w, int d);
void put_e_general(std::string& out, double v, int w, int d);

}  // namespace field::digits
