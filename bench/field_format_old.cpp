// The field formatter as it was before its integer paths, kept unchanged as
// the reference that format_check compares the current one against. Built
// apart, like the current one, so that neither is inlined into the timing.
#include "field_format_old.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace field_old {
namespace {

// Powers of ten as doubles: exact up to 1e22, correctly rounded beyond.
const std::array<double, 309>& powers_of_ten() {
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
bool increment(char* digits, int len) {
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
void put_special(std::string& out, double v, int w) {
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
int fixed_digits(double a, int d, char* buf) {
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
void sci_digits(double a, int d, char* buf, int& e10) {
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

}  // namespace

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

void put_f(std::string& out, double v, int w, int d) {
    if (w <= 0) return;
    if (d < 0) d = 0;
    if (!std::isfinite(v)) return put_special(out, v, w);
    double a = std::fabs(v);
    // At least w+1 integer digits can never fit (and keeps the digit buffer small).
    if (w <= 300 ? a >= powers_of_ten()[w] : false) return stars(out, w);
    if (d > 1000) return stars(out, w);
    std::uint64_t n = 0;
    if (w <= kShort && fast_fixed(a, d, n)) {
        char buf[kShort + 48];
        char* end = buf + sizeof buf;
        char* p = end;
        bool zero = n == 0;
        put_digits_back(p, n, d);
        *--p = '.';
        if (n == 0) {
            // Below 1: "0." when it fits, else the bare point (never for d = 0).
            if ((end - p) + (std::signbit(v) && !zero ? 1 : 0) < w || d == 0) *--p = '0';
        } else {
            while (n != 0) {
                *--p = static_cast<char>('0' + n % 10);
                n /= 10;
            }
        }
        if (std::signbit(v) && !zero) *--p = '-';
        if (end - p > w) return stars(out, w);
        return finish_short(out, p, end, w);
    }
    char digits[1400];
    int len = fixed_digits(a, d, digits);
    // Leading zeros of the integer part go; the fraction keeps exactly d digits.
    int skip = 0;
    while (skip < len - d && digits[skip] == '0') ++skip;
    int int_len = len - d - skip;
    bool zero = true;
    for (int i = skip; i < len; ++i)
        if (digits[i] != '0') {
            zero = false;
            break;
        }
    bool neg = std::signbit(v) && !zero;
    int frac_pad = len < d ? d - len : 0;  // value below 10^-d.. written as leading zeros
    if (int_len < 0) int_len = 0;
    int need = (neg ? 1 : 0) + int_len + 1 + d;
    bool lead_zero = false;
    if (int_len == 0) {
        // A value below 1 gets its "0." when that fits; without it only if a
        // digit is left after the point.
        if (need + 1 <= w || d == 0) {
            lead_zero = true;
            ++need;
        }
    }
    if (need > w) return stars(out, w);
    char* p = grow(out, w, need);
    if (neg) *p++ = '-';
    if (lead_zero) *p++ = '0';
    std::memcpy(p, digits + skip, static_cast<std::size_t>(int_len));
    p += int_len;
    *p++ = '.';
    std::memset(p, '0', static_cast<std::size_t>(frac_pad));
    p += frac_pad;
    int frac_from = len - d + frac_pad;
    std::memcpy(p, digits + frac_from, static_cast<std::size_t>(d - frac_pad));
}

void put_e(std::string& out, double v, int w, int d) {
    if (w <= 0) return;
    if (!std::isfinite(v)) return put_special(out, v, w);
    if (d <= 0 || d > 700) return stars(out, w);
    int e10 = 0;
    double a = std::fabs(v);
    std::uint64_t n = 0;
    if (w <= kShort && d <= 15 && (a == 0.0 || fast_sci(a, d, n, e10))) {
        if (e10 > 999 || e10 < -999) return stars(out, w);
        char buf[kShort + 32];
        char* end = buf + sizeof buf;
        char* p = end;
        put_exponent_back(p, e10);
        put_digits_back(p, n, d);
        *--p = '.';
        bool neg = std::signbit(v) && a != 0.0;
        if ((end - p) + (neg ? 1 : 0) < w) *--p = '0';
        if (neg) *--p = '-';
        if (end - p > w) return stars(out, w);
        return finish_short(out, p, end, w);
    }
    char digits[800];
    if (a == 0.0) {
        std::memset(digits, '0', static_cast<std::size_t>(d));
    } else {
        sci_digits(a, d, digits, e10);
    }
    bool neg = std::signbit(v) && a != 0.0;
    int ae = std::abs(e10);
    if (ae > 999) return stars(out, w);
    int need = (neg ? 1 : 0) + 1 + d + 4;
    bool lead_zero = need + 1 <= w;
    if (lead_zero) ++need;
    if (need > w) return stars(out, w);
    char* p = grow(out, w, need);
    if (neg) *p++ = '-';
    if (lead_zero) *p++ = '0';
    *p++ = '.';
    std::memcpy(p, digits, static_cast<std::size_t>(d));
    char* tail = p + d;
    if (ae <= 99) {
        tail[0] = 'E';
        tail[1] = e10 < 0 ? '-' : '+';
        tail[2] = static_cast<char>('0' + ae / 10);
        tail[3] = static_cast<char>('0' + ae % 10);
    } else {
        // Three-digit exponents take the letter's place.
        tail[0] = e10 < 0 ? '-' : '+';
        tail[1] = static_cast<char>('0' + ae / 100);
        tail[2] = static_cast<char>('0' + ae / 10 % 10);
        tail[3] = static_cast<char>('0' + ae % 10);
    }
}

}  // namespace field_old
