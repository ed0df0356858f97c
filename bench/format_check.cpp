// Field formatter check and timing.
//
//   format_check [COUNT] [--time N] [--seed S]
//
// Compares put_f, put_e and put_i with the formatter as it was before its
// integer paths (bench/field_format_old.cpp) on COUNT values (default 50
// million): random float and double bit patterns, values of every magnitude,
// values next to rounding ties and to the powers of ten where a field
// overflows, negative values that round to zero, integers, subnormals, zeros,
// NaN and infinities. Each value goes through one descriptor, either one the
// program writes or one of the grid w = 1..20, d = 0..10 (and a few long
// ones). Prints the count and every mismatch (the first 20 in full); exits 1
// on a mismatch.
//
// Then times old and new on N values per descriptor the program writes
// (default 1 million; 0 skips), floats of the magnitudes that field holds,
// at random and as a series of close neighbours, and prints processor time
// per value.
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/field_format.hpp"
#include "field_format_old.hpp"

namespace {

struct Desc {
    char kind;  // 'F', 'E', 'I'
    int w, d;
};

// The descriptors the program writes (src/: put_f / put_e / put_i, F / E / I,
// Field::F / Field::E / Field::I; I6 for ranks beyond 9999 cells).
const Desc kProgram[] = {
    {'F', 5, 0},  {'F', 5, 1},  {'F', 5, 2},  {'F', 5, 3},  {'F', 6, 3},  {'F', 7, 0},
    {'F', 7, 1},  {'F', 8, 0},  {'F', 8, 1},  {'F', 8, 2},  {'F', 8, 3},  {'F', 10, 0},
    {'F', 10, 2}, {'F', 10, 3}, {'F', 10, 5}, {'F', 10, 7}, {'F', 12, 3}, {'F', 12, 5},
    {'F', 12, 7}, {'F', 15, 5}, {'F', 16, 4}, {'E', 10, 3}, {'E', 12, 7}, {'I', 2, 0},
    {'I', 3, 0},  {'I', 4, 0},  {'I', 5, 0},  {'I', 6, 0},  {'I', 8, 0},  {'I', 12, 0},
    {'I', 16, 0},
};

std::vector<Desc> grid_descriptors() {
    std::vector<Desc> g;
    for (int w = 1; w <= 20; ++w)
        for (int d = 0; d <= 10; ++d) {
            g.push_back({'F', w, d});
            g.push_back({'E', w, d});
        }
    for (int w = 1; w <= 25; ++w) g.push_back({'I', w, 0});
    // Long fractions and wide fields: the edges of the integer paths.
    const Desc extra[] = {{'F', 22, 19}, {'F', 25, 19}, {'F', 25, 20}, {'F', 30, 15}, {'F', 40, 12},
                          {'F', 70, 3},  {'F', 24, 18}, {'E', 25, 15}, {'E', 25, 16}, {'E', 26, 18},
                          {'E', 28, 19}, {'E', 70, 3},  {'E', 40, 17}, {'I', 40, 0},  {'I', 70, 0}};
    for (const Desc& d : extra) g.push_back(d);
    return g;
}

using Rng = std::mt19937_64;

double pow10(int p) { return std::pow(10.0, p); }

double nudge(double x, int ulps) {
    for (; ulps > 0; --ulps) x = std::nextafter(x, INFINITY);
    for (; ulps < 0; ++ulps) x = std::nextafter(x, -INFINITY);
    return x;
}
float nudgef(float x, int ulps) {
    for (; ulps > 0; --ulps) x = std::nextafter(x, INFINITY);
    for (; ulps < 0; ++ulps) x = std::nextafter(x, -INFINITY);
    return x;
}

// Most values reach the formatter as floats: half the generated values are
// rounded to float first (and nudged there).
double finish(Rng& rng, double x) {
    std::uniform_int_distribution<int> ulp(-3, 3);
    if (rng() & 1) return static_cast<double>(nudgef(static_cast<float>(x), ulp(rng)));
    return nudge(x, ulp(rng));
}

double random_sign(Rng& rng, double x) { return (rng() & 1) ? -x : x; }

double special(Rng& rng) {
    switch (rng() % 16) {
        case 0: return 0.0;
        case 1: return -0.0;
        case 2: return std::numeric_limits<double>::quiet_NaN();
        case 3: return -std::numeric_limits<double>::quiet_NaN();
        case 4: return INFINITY;
        case 5: return -INFINITY;
        case 6: return random_sign(rng, std::numeric_limits<double>::denorm_min());
        case 7: return random_sign(rng, DBL_MIN);
        case 8: return random_sign(rng, FLT_MIN);
        case 9: return random_sign(rng, std::numeric_limits<float>::denorm_min());
        case 10: return random_sign(rng, DBL_MAX);
        case 11: return random_sign(rng, FLT_MAX);
        case 12: {  // double subnormal
            std::uint64_t b = rng() & ((std::uint64_t{1} << 52) - 1);
            b |= rng() & (std::uint64_t{1} << 63);
            double x;
            std::memcpy(&x, &b, sizeof x);
            return x;
        }
        case 13: {  // float subnormal
            std::uint32_t b = static_cast<std::uint32_t>(rng()) & 0x807fffffu;
            float x;
            std::memcpy(&x, &b, sizeof x);
            return x;
        }
        case 14: return random_sign(rng, std::ldexp(1.0, static_cast<int>(rng() % 140) - 70));
        default: return random_sign(rng, std::ldexp(1.0, static_cast<int>(rng() % 140) - 70) - 1.0);
    }
}

// A value for Fw.d or Ew.d.
double real_value(Rng& rng, const Desc& f) {
    const int w = f.w, d = f.d;
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    switch (rng() % 10) {
        case 0: {  // any float
            std::uint32_t b = static_cast<std::uint32_t>(rng());
            float x;
            std::memcpy(&x, &b, sizeof x);
            return x;
        }
        case 1: {  // any double
            std::uint64_t b = rng();
            double x;
            std::memcpy(&x, &b, sizeof x);
            return x;
        }
        case 2: {  // any magnitude the field can show, and a little beyond
            const double lo = f.kind == 'F' ? -d - 3 : -40, hi = f.kind == 'F' ? w - d + 1 : 40;
            return finish(rng, random_sign(rng, std::pow(10.0, lo + (hi - lo) * unit(rng))));
        }
        case 3: {  // next to a rounding tie
            if (f.kind == 'F') {
                const int digits = std::min(std::max(w - d, 1), 17);
                const double k = std::floor(unit(rng) * pow10(static_cast<int>(rng() % digits)));
                return finish(rng, random_sign(rng, (k + 0.5) / pow10(d)));
            }
            const int dd = std::max(d, 1);
            const double k = std::floor(pow10(dd - 1) + unit(rng) * 9.0 * pow10(dd - 1));
            const int e10 = static_cast<int>(rng() % 81) - 40;
            return finish(rng, random_sign(rng, (k + 0.5) * pow10(e10 - dd)));
        }
        case 4: {  // next to the powers of ten: overflow of the field, carry of the mantissa
            const int p = static_cast<int>(rng() % static_cast<unsigned>(w + d + 5)) - d - 3;
            double x = pow10(p);
            if (rng() & 1) x -= 0.5 * pow10(f.kind == 'F' ? -d : p - std::max(d, 1));
            return finish(rng, random_sign(rng, x));
        }
        case 5: {  // negative, rounding to zero or just not
            const double half = 0.5 * pow10(-d);
            return finish(rng, (rng() & 1) ? -half : -unit(rng) * half);
        }
        case 6: {  // integers, in float and double
            const int bits = static_cast<int>(rng() % 64);
            const double x = static_cast<double>(rng() >> (63 - bits));
            return finish(rng, random_sign(rng, x));
        }
        case 7: return special(rng);
        case 8: {  // grid-like values: few decimals
            const double x = std::floor(unit(rng) * pow10(static_cast<int>(rng() % 8))) / pow10(static_cast<int>(rng() % 6));
            return random_sign(rng, static_cast<double>(static_cast<float>(x)));
        }
        default: {  // tiny and huge
            const double x = std::ldexp(unit(rng), static_cast<int>(rng() % 2100) - 1080);
            return random_sign(rng, x);
        }
    }
}

long long int_value(Rng& rng) {
    switch (rng() % 6) {
        case 0: return static_cast<long long>(rng());
        case 1: {
            const int bits = static_cast<int>(rng() % 64);
            return static_cast<long long>(rng() >> (63 - bits)) * ((rng() & 1) ? -1 : 1);
        }
        case 2: {
            long long p = 1;
            for (int k = static_cast<int>(rng() % 19); k > 0; --k) p *= 10;
            const long long x = p + static_cast<long long>(rng() % 7) - 3;
            return (rng() & 1) ? -x : x;
        }
        case 3: {
            const long long edge[] = {0, -1, 1, LLONG_MIN, LLONG_MAX, LLONG_MIN + 1, INT_MIN, INT_MAX};
            return edge[rng() % 8];
        }
        default: return static_cast<long long>(rng() % 200001) - 100000;
    }
}

void put_new(std::string& out, const Desc& f, double v, long long i) {
    if (f.kind == 'F') field::put_f(out, v, f.w, f.d);
    else if (f.kind == 'E') field::put_e(out, v, f.w, f.d);
    else field::put_i(out, i, f.w);
}

void put_old(std::string& out, const Desc& f, double v, long long i) {
    if (f.kind == 'F') field_old::put_f(out, v, f.w, f.d);
    else if (f.kind == 'E') field_old::put_e(out, v, f.w, f.d);
    else field_old::put_i(out, i, f.w);
}

// Values of the magnitudes a field holds, from 10^-d to the largest that
// fits (10^-4 to 10^10 for Ew.d), as floats: log-uniform at random (the number of digits changes from
// one value to the next), or a random walk in the logarithm (neighbouring
// values close, as in a grid); one in ten negative.
std::vector<double> timing_values(const Desc& f, std::size_t n, bool smooth, Rng& rng) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> step(0.0, 0.02);
    const double lo = f.kind == 'I' ? 0 : f.kind == 'F' ? -f.d : -4;
    const double hi = f.kind == 'I' ? f.w - 1 : f.kind == 'F' ? std::max(f.w - f.d - 2, 0) : 10;
    std::vector<double> v(n);
    double at = (lo + hi) / 2;
    for (auto& x : v) {
        if (smooth) {
            at += step(rng);
            if (at < lo) at = 2 * lo - at;
            if (at > hi) at = 2 * hi - at;
        } else {
            at = lo + (hi - lo) * unit(rng);
        }
        double m = std::pow(10.0, at);
        if (f.kind == 'I') m = std::floor(m);
        if (rng() % 10 == 0) m = -m;
        x = static_cast<double>(static_cast<float>(m));
    }
    return v;
}

template <class Put>
double time_ns(const Desc& f, const std::vector<double>& values, const std::vector<long long>& ints,
               Put put, std::size_t& sink) {
    std::string line;
    line.reserve(4096);
    const std::clock_t t0 = std::clock();
    for (std::size_t k = 0; k < values.size(); ++k) {
        put(line, f, values[k], ints[k]);
        if ((k & 127) == 127) {
            sink += line.size();
            line.clear();
        }
    }
    const std::clock_t t1 = std::clock();
    sink += line.size();
    return 1e9 * static_cast<double>(t1 - t0) / CLOCKS_PER_SEC / static_cast<double>(values.size());
}

// Processor time per value of old and new, the best of `rounds` alternate
// runs (other load on the machine only ever adds time).
struct Timing {
    double old_ns, new_ns;
};
Timing time_both(const Desc& f, const std::vector<double>& values, int rounds, std::size_t& sink) {
    std::vector<long long> ints(values.size());
    for (std::size_t k = 0; k < values.size(); ++k) ints[k] = static_cast<long long>(values[k]);
    Timing t{1e30, 1e30};
    for (int r = 0; r < rounds; ++r) {
        t.old_ns = std::min(t.old_ns, time_ns(f, values, ints, put_old, sink));
        t.new_ns = std::min(t.new_ns, time_ns(f, values, ints, put_new, sink));
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    long long count = 50'000'000;
    long long time_n = 1'000'000;
    std::uint64_t seed = 20240611;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--time" && i + 1 < argc) time_n = std::atoll(argv[++i]);
        else if (a == "--seed" && i + 1 < argc) seed = std::strtoull(argv[++i], nullptr, 10);
        else if (!a.empty() && a[0] != '-') count = std::atoll(a.c_str());
        else {
            std::fprintf(stderr, "usage: format_check [COUNT] [--time N] [--seed S]\n");
            return 2;
        }
    }

    const std::vector<Desc> grid = grid_descriptors();
    const std::size_t nprog = sizeof kProgram / sizeof kProgram[0];
    Rng rng(seed);
    std::string a, b;
    long long mismatches = 0;
    long long per_kind[3] = {0, 0, 0};
    const std::clock_t c0 = std::clock();
    for (long long i = 0; i < count; ++i) {
        const Desc& f = (i & 1) ? grid[rng() % grid.size()] : kProgram[rng() % nprog];
        const double v = f.kind == 'I' ? 0.0 : real_value(rng, f);
        const long long iv = f.kind == 'I' ? int_value(rng) : 0;
        // Appending to a line: a short prefix that must stay as it was.
        a.assign(static_cast<std::size_t>(i % 3), '#');
        b = a;
        put_old(a, f, v, iv);
        put_new(b, f, v, iv);
        ++per_kind[f.kind == 'F' ? 0 : f.kind == 'E' ? 1 : 2];
        if (a != b) {
            if (++mismatches <= 20) {
                if (f.kind == 'I')
                    std::printf("MISMATCH I%d  %lld: old [%s] new [%s]\n", f.w, iv, a.c_str(), b.c_str());
                else
                    std::printf("MISMATCH %c%d.%d  %.17g (%a): old [%s] new [%s]\n", f.kind, f.w, f.d, v,
                                v, a.c_str(), b.c_str());
            }
        }
    }
    const double secs = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    std::printf("compared %lld values (F %lld, E %lld, I %lld) in %.1f s processor time: %lld mismatches\n",
                count, per_kind[0], per_kind[1], per_kind[2], secs, mismatches);

    if (time_n > 0) {
        const int rounds = 5;
        std::printf("\nprocessor time per value (ns), %lld float values per descriptor, best of %d\n", time_n,
                    rounds);
        std::printf("%-7s %28s   %28s\n", "", "random magnitudes", "neighbours close");
        std::printf("%-7s %9s %9s %8s   %9s %9s %8s\n", "field", "old", "new", "speed-up", "old", "new",
                    "speed-up");
        std::size_t sink = 0;
        Rng trng(seed + 1);
        for (const Desc& f : kProgram) {
            Timing t[2];
            for (int smooth = 0; smooth < 2; ++smooth)
                t[smooth] = time_both(f, timing_values(f, static_cast<std::size_t>(time_n), smooth != 0, trng),
                                      rounds, sink);
            char name[16];
            if (f.kind == 'I') std::snprintf(name, sizeof name, "I%d", f.w);
            else std::snprintf(name, sizeof name, "%c%d.%d", f.kind, f.w, f.d);
            std::printf("%-7s %9.1f %9.1f %7.2fx   %9.1f %9.1f %7.2fx\n", name, t[0].old_ns, t[0].new_ns,
                        t[0].old_ns / t[0].new_ns, t[1].old_ns, t[1].new_ns, t[1].old_ns / t[1].new_ns);
        }
        std::printf("(%zu characters written)\n", sink);
    }
    return mismatches == 0 ? 0 : 1;
}
