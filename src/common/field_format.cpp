#include "common/field_format.hpp"
#include "common/field_digits.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace field {
namespace digits {

// Fw.d for any value and any d >= 0 (w >= 1): double arithmetic where it is
// safe, the exact digits from the C library where it is not.
[[gnu::noinline]] void put_f_general(std::string& out, double v, int w, int d) {
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

// Ew.d for any value and any d (w >= 1), likewise.
[[gnu::noinline]] void put_e_general(std::string& out, double v, int w, int d) {
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

}  // namespace digits

namespace {

using namespace digits;

// The paths below do the usual fields in integer arithmetic: a finite double
// is exactly m * 2^e, so |v| * 10^k rounded to nearest, ties away from zero,
// is decided exactly by a 128-bit product and a shift (or a division by a
// power of ten). Whatever lies beyond their reach goes to the paths above.

__extension__ typedef unsigned __int128 u128;

constexpr int kMaxPow = 38;  // 10^38 < 2^127

constexpr std::array<u128, kMaxPow + 1> kPow10 = [] {
    std::array<u128, kMaxPow + 1> t{};
    u128 p = 1;
    for (auto& x : t) {
        x = p;
        p *= 10;
    }
    return t;
}();

// Bits of 10^k.
constexpr std::array<int, kMaxPow + 1> kPow10Bits = [] {
    std::array<int, kMaxPow + 1> t{};
    for (int k = 0; k <= kMaxPow; ++k)
        for (u128 p = kPow10[static_cast<std::size_t>(k)]; p != 0; p >>= 1) ++t[static_cast<std::size_t>(k)];
    return t;
}();

inline std::uint64_t pow10_64(int k) { return static_cast<std::uint64_t>(kPow10[static_cast<std::size_t>(k)]); }

// The two digits of r < 100 as a 16-bit text, first digit in the low byte.
constexpr std::array<std::uint16_t, 100> kPairs = [] {
    std::array<std::uint16_t, 100> t{};
    for (int r = 0; r < 100; ++r)
        t[static_cast<std::size_t>(r)] = static_cast<std::uint16_t>(('0' + r / 10) | ('0' + r % 10) << 8);
    return t;
}();

// A field text is built from its last character to its first, then placed
// right-aligned in its w characters, or as w asterisks when it is longer.
//
// Fields of up to 16 characters are composed in an integer of that many
// bytes, first character in the lowest byte, and stored at once into the
// line (a text assembled from many small stores and read back straight away
// stalls the processor). That needs a little-endian byte order; elsewhere,
// and for wider fields, the text is built in a buffer.
constexpr bool kWords = std::endian::native == std::endian::little;

template <class Word>
struct WordText {
    Word t = 0;
    int len = 0;
    int length() const { return len; }
    void put(char c) {
        t = t << 8 | static_cast<unsigned char>(c);
        ++len;
    }
    void put_pair(std::uint64_t r) {
        t = t << 16 | kPairs[r];
        len += 2;
    }
    // w <= sizeof(Word); characters pushed out of t leave len > w.
    void append(std::string& out, int w) const {
        if (len > w) return stars(out, w);
        const int pad = w - len;  // below sizeof(Word): len >= 1
        const Word blanks = ~Word{0} / 0xff * ' ';
        const Word field = t << (8 * pad) | (blanks & ((Word{1} << (8 * pad)) - 1));
        // The whole word in, then cut to the field: fixed sizes, no copy call.
        const std::size_t at = out.size();
        out.append(sizeof(Word), ' ');
        std::memcpy(out.data() + at, &field, sizeof(Word));
        out.resize(at + static_cast<std::size_t>(w));
    }
};

struct BufferText {
    static constexpr int kSize = 64;  // no text is longer than 25 characters
    static constexpr int kRoom = 32;  // blanks before the text for w <= kRoom
    char buf[kSize];
    int start = kSize;
    void put(char c) { buf[--start] = c; }
    void put_pair(std::uint64_t r) {
        start -= 2;
        buf[start] = static_cast<char>(kPairs[r] & 0xff);
        buf[start + 1] = static_cast<char>(kPairs[r] >> 8);
    }
    int length() const { return kSize - start; }
    void append(std::string& out, int w) {
        const int len = length();
        if (len > w) return stars(out, w);
        if (w <= kRoom) {
            std::memset(buf + start - kRoom, ' ', kRoom);
            out.append(buf + kSize - w, static_cast<std::size_t>(w));
            return;
        }
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(w));
        char* o = out.data() + at;
        std::memset(o, ' ', static_cast<std::size_t>(w - len));
        std::memcpy(o + (w - len), buf + start, static_cast<std::size_t>(len));
    }
};

// Calls f with an empty text of the kind for a field of w characters; the
// buffer, for wide fields, out of line.
template <class F>
[[gnu::noinline]] void with_buffer_text(F& f) {
    f(BufferText{});
}
template <class F>
inline void with_text(int w, F&& f) {
    if (kWords && w <= 8)
        f(WordText<std::uint64_t>{});
    else if (kWords && w <= 16)
        f(WordText<u128>{});
    else
        with_buffer_text(f);
}

// The `count` lowest digits of n with their zeros, taken off n.
template <class Text>
void put_low_digits(Text& x, std::uint64_t& n, int count) {
    for (; count >= 2; count -= 2) {
        x.put_pair(n % 100);
        n /= 100;
    }
    if (count != 0) {
        x.put(static_cast<char>('0' + n % 10));
        n /= 10;
    }
}

template <class Text>
void put_digits(Text& x, std::uint64_t n) {
    while (n >= 100) {
        x.put_pair(n % 100);
        n /= 100;
    }
    if (n >= 10)
        x.put_pair(n);
    else
        x.put(static_cast<char>('0' + n));
}

// Fw.d of n / 10^d, sign first when neg. A value below 1 keeps its "0."
// when the text then fits, and always with d = 0.
template <class Text>
void put_fixed_text(Text& x, std::uint64_t n, int d, bool neg, int w) {
    put_low_digits(x, n, d);
    x.put('.');
    if (n != 0)
        put_digits(x, n);
    else if (x.length() + (neg ? 1 : 0) < w || d == 0)
        x.put('0');
    if (neg) x.put('-');
}

// Ew.d of the d-digit mantissa n and the exponent e10 (|e10| <= 99), sign
// first when neg. The leading zero stays when the text then fits.
template <class Text>
void put_sci_text(Text& x, std::uint64_t n, int e10, int d, bool neg, int w) {
    x.put_pair(static_cast<std::uint64_t>(e10 < 0 ? -e10 : e10));
    x.put(e10 < 0 ? '-' : '+');
    x.put('E');
    put_low_digits(x, n, d);
    x.put('.');
    if (x.length() + (neg ? 1 : 0) < w) x.put('0');
    if (neg) x.put('-');
}

constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kExpAll = std::uint64_t{0x7ff} << 52;  // from here on: infinity, NaN

// The sign of a double and the bits of its magnitude; false for infinity and NaN.
inline bool finite_parts(double v, bool& sign, std::uint64_t& magnitude) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
    sign = (bits & kSignBit) != 0;
    magnitude = bits & ~kSignBit;
    return magnitude < kExpAll;
}

// A finite nonzero magnitude (sign bit clear) as m * 2^e exactly, m odd.
struct Binary {
    std::uint64_t m;
    int e;
};
inline Binary decompose(std::uint64_t bits) {
    std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
    const int biased = static_cast<int>(bits >> 52);
    int e = -1074;
    if (biased != 0) {
        m |= std::uint64_t{1} << 52;
        e = biased - 1075;
    }
    const int tz = std::countr_zero(m);
    return {m >> tz, e + tz};
}

// x / 10^j and the remainder, the divisor a constant for the compiler (a
// multiplication rather than a division), j = 1..19, through a table.
template <std::size_t J>
std::uint64_t div_pow10(std::uint64_t x, std::uint64_t& r) {
    constexpr auto p = static_cast<std::uint64_t>(kPow10[J]);
    r = x % p;
    return x / p;
}
template <std::size_t... J>
constexpr auto div_pow10_table(std::index_sequence<J...>) {
    return std::array<std::uint64_t (*)(std::uint64_t, std::uint64_t&), sizeof...(J)>{&div_pow10<J>...};
}
constexpr auto kDivPow10 = div_pow10_table(std::make_index_sequence<20>{});

// q = floor(m * 2^e * 10^k), and whether rounding to nearest with ties away
// from zero goes up from q. False when that is beyond 128 bits.
inline bool scale(std::uint64_t m, int e, int k, u128& q, bool& up) {
    if (k >= 0) {
        if (k > kMaxPow || std::bit_width(m) + kPow10Bits[static_cast<std::size_t>(k)] > 127)
            return false;
        const u128 p = m * kPow10[static_cast<std::size_t>(k)];  // below 2^127
        if (e >= 0) {
            if (e > 127 || (p >> (127 - e)) != 0) return false;
            q = p << e;
            up = false;
            return true;
        }
        const int s = -e;
        if (s >= 128) {  // p / 2^s is below one half
            q = 0;
            up = false;
            return true;
        }
        q = p >> s;
        up = p - (q << s) >= (u128{1} << (s - 1));
        return true;
    }
    const int j = -k;
    if (j > 19) return false;
    // 10^j is even: the remainder decides against half of it, and bits below
    // the point of m * 2^e cannot tip a whole remainder over an integer.
    const std::uint64_t p = pow10_64(j);
    std::uint64_t r;
    if (e >= 0) {
        if (std::bit_width(m) + e > 127) return false;
        const u128 x = u128{m} << e;
        if ((x >> 64) == 0) {
            q = kDivPow10[static_cast<std::size_t>(j)](static_cast<std::uint64_t>(x), r);
        } else {
            q = x / p;
            r = static_cast<std::uint64_t>(x % p);
        }
    } else {
        const int s = -e;
        q = kDivPow10[static_cast<std::size_t>(j)](s >= 64 ? 0 : m >> s, r);
    }
    up = r >= p / 2;
    return true;
}

// m * 2^e * 10^d rounded to nearest, ties away from zero, for d <= 19;
// false when that is 2^64 or more. Adding one half before cutting the bits
// below the point is adding the highest of them.
inline bool fixed_round(std::uint64_t m, int e, int d, std::uint64_t& n) {
    const u128 p = m * kPow10[static_cast<std::size_t>(d)];  // below 2^117
    if (e >= 0) {
        if (e >= 64 || (p >> (64 - e)) != 0) return false;
        n = static_cast<std::uint64_t>(p) << e;
        return true;
    }
    const int s = -e;
    if ((p >> 64) == 0 && s < 64) {  // floats, and doubles with few digits
        const auto p64 = static_cast<std::uint64_t>(p);
        n = (p64 >> s) + ((p64 >> (s - 1)) & 1);
        return true;
    }
    if (s >= 118) {  // p / 2^s is below one half
        n = 0;
        return true;
    }
    const u128 r = (p >> s) + ((p >> (s - 1)) & 1);
    if ((r >> 64) != 0) return false;
    n = static_cast<std::uint64_t>(r);
    return true;
}

// Fw.d for 0 <= d <= 19 while |v| * 10^d stays below 2^64; false otherwise.
bool put_f_fast(std::string& out, double v, int w, int d) {
    bool sign = false;
    std::uint64_t bits = 0;
    if (!finite_parts(v, sign, bits)) return false;
    std::uint64_t n = 0;
    if (bits != 0) {
        const Binary b = decompose(bits);
        if (!fixed_round(b.m, b.e, d, n)) return false;
    }
    const bool neg = sign && n != 0;
    with_text(w, [&](auto x) {
        put_fixed_text(x, n, d, neg, w);
        x.append(out, w);
    });
    return true;
}

// Ew.d for 1 <= d <= 18 and the magnitudes scale() reaches; false otherwise.
bool put_e_fast(std::string& out, double v, int w, int d) {
    bool sign = false;
    std::uint64_t bits = 0;
    if (!finite_parts(v, sign, bits)) return false;
    std::uint64_t n = 0;
    int e10 = 0;
    if (bits != 0) {
        const Binary b = decompose(bits);
        const int t = std::bit_width(b.m) - 1 + b.e;  // 2^t <= |v| < 2^(t+1)
        e10 = ((t * 78913) >> 18) + 1;               // floor(t log10 2) + 1: the exponent or one below
        u128 q;
        bool up;
        if (!scale(b.m, b.e, d - e10, q, up)) return false;
        const std::uint64_t lo = pow10_64(d - 1), hi = pow10_64(d);
        if (q < lo || q >= 10 * u128{hi}) return false;  // not expected
        if (q >= hi) {
            // One digit too many: drop it. Whether to round up is in that
            // digit alone, what lay below q cannot make it reach one half.
            const auto q64 = static_cast<std::uint64_t>(q);
            up = q64 % 10 >= 5;
            q = q64 / 10;
            ++e10;
        }
        n = static_cast<std::uint64_t>(q) + (up ? 1 : 0);
        if (n == hi) {  // rounded up to 10^d
            n = lo;
            ++e10;
        }
    }
    const bool neg = sign && bits != 0;
    with_text(w, [&](auto x) {
        put_sci_text(x, n, e10, d, neg, w);
        x.append(out, w);
    });
    return true;
}

}  // namespace

void put_i(std::string& out, long long v, int w) {
    if (w <= 0) return;
    const bool neg = v < 0;
    const std::uint64_t mag = neg ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    with_text(w, [&](auto x) {
        put_digits(x, mag);
        if (neg) x.put('-');
        x.append(out, w);
    });
}

void put_f(std::string& out, double v, int w, int d) {
    if (w <= 0) return;
    if (d < 0) d = 0;
    if (d <= 19 && put_f_fast(out, v, w, d)) return;
    put_f_general(out, v, w, d);
}

void put_e(std::string& out, double v, int w, int d) {
    if (w <= 0) return;
    if (d >= 1 && d <= 18 && put_e_fast(out, v, w, d)) return;
    put_e_general(out, v, w, d);
}

void put_a(std::string& out, std::string_view s, int w, int declared) {
    if (w <= 0) return;
    std::size_t width = static_cast<std::size_t>(w);
    if (declared >= 0 && w > declared) {
        out.append(width - static_cast<std::size_t>(declared), ' ');
        width = static_cast<std::size_t>(declared);
    }
    std::size_t n = std::min(s.size(), width);
    out.append(s.data(), n);
    out.append(width - n, ' ');
}

void put_fixed(std::string& out, double v, int decimals) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    if (!text.empty() && text.front() == '-' &&
        text.find_first_not_of("-0.") == std::string_view::npos)
        text.remove_prefix(1);
    out.append(text);
}

}  // namespace field
