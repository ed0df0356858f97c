#include "common/field_format.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace {

struct RealCase {
    double v;
    int w, d;
    const char* text;
};

TEST(FieldFormat, FixedPoint) {
    const RealCase cases[] = {
        {123.456, 8, 2, "  123.46"},
        {12.6, 5, 0, "  13."},
        {0.4, 5, 0, "   0."},
        {-12.6, 5, 0, " -13."},
        {2.5, 8, 0, "      3."},
        {-2.5, 8, 0, "     -3."},
        {1234567.0, 8, 0, "1234567."},
        {12345678.0, 8, 0, "********"},
        // Ties away from zero on the exact binary value.
        {0.125, 5, 2, " 0.13"},
        {-0.125, 6, 2, " -0.13"},
        {0.25, 4, 1, " 0.3"},
        {2.675, 4, 2, "2.67"},    // binary value lies below the tie
        {0.015, 6, 2, "  0.01"},  // likewise
        {0.005, 5, 2, " 0.01"},   // binary value lies above the tie
        {1.005, 5, 2, " 1.00"},
        {0.45, 4, 1, " 0.5"},
        // Just below a rounding boundary.
        {9.9996, 6, 3, "10.000"},
        {9.99949, 6, 3, " 9.999"},
        {99.995, 5, 2, "*****"},  // 99.995 is above the tie: 100.00 does not fit
        // Leading zero only when it fits.
        {0.5, 4, 2, "0.50"},
        {0.5, 3, 2, ".50"},
        {0.5, 2, 2, "**"},
        {-0.5, 5, 2, "-0.50"},
        {-0.5, 4, 2, "-.50"},
        {-0.5, 3, 2, "***"},
        // Negative values that round to zero lose their sign.
        {-0.001, 5, 2, " 0.00"},
        {-0.0, 5, 2, " 0.00"},
        {-5e-8, 10, 7, " 0.0000000"},
        {-0.005, 5, 2, "-0.01"},
        {3.14159265358979, 10, 7, " 3.1415927"},
        {123.4, 10, 7, "**********"},
        {1000.0, 5, 2, "*****"},
        {1e20, 25, 2, " 100000000000000000000.00"},
        {0.1, 24, 20, "  0.10000000000000000555"},
        {1e300, 10, 2, "**********"},
        {NAN, 6, 2, "   NaN"},
        {INFINITY, 9, 2, " Infinity"},
        {-INFINITY, 5, 2, " -Inf"},
        {INFINITY, 2, 2, "**"},
        // Where the fast paths end: |v| * 10^d just below and above 2^64, the
        // widths 8 / 9 and 16 / 17, subnormals.
        {1.8e19, 21, 0, "18000000000000000000."},
        {1.9e19, 21, 0, "19000000000000000000."},
        {-12345.5, 8, 2, "********"},
        {-12345.5, 9, 2, "-12345.50"},
        {-0.5, 16, 14, "-.50000000000000"},
        {-0.5, 17, 14, "-0.50000000000000"},
        {-5e-324, 5, 2, " 0.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(field::F(c.v, c.w, c.d), c.text) << c.v << " F" << c.w << "." << c.d;
}

TEST(FieldFormat, Scientific) {
    const RealCase cases[] = {
        {12.5, 12, 7, ".1250000E+02"},       {12.5, 13, 7, "0.1250000E+02"},
        {0.0, 12, 7, ".0000000E+00"},        {-0.0, 13, 7, "0.0000000E+00"},
        {-12.5, 13, 7, "-.1250000E+02"},     {-12.5, 14, 7, "-0.1250000E+02"},
        {-12.5, 12, 7, "************"},      {0.99999999, 12, 7, ".1000000E+01"},
        {1235.0, 10, 3, " 0.124E+04"},  // exact tie goes away from zero
        {1225.0, 10, 3, " 0.123E+04"},       {1234.5, 10, 3, " 0.123E+04"},
        {999.5, 10, 3, " 0.100E+04"},        {2.675, 9, 3, "0.267E+01"},
        {-0.000123456, 10, 3, "-0.123E-03"}, {3.14159265, 12, 6, "0.314159E+01"},
        {1.0, 12, 6, "0.100000E+01"},        {0.1, 12, 6, "0.100000E+00"},
        {1e-100, 12, 6, "0.100000E-99"},     {1e100, 12, 6, "0.100000+101"},
        {1e-101, 12, 6, "0.100000-100"},     {-1e300, 10, 3, "-0.100+301"},
        {5e-324, 12, 6, "0.494066-323"},     {1.7976931348623157e308, 12, 6, "0.179769+309"},
        {123456.0, 12, 6, "0.123456E+06"},   {NAN, 12, 6, "         NaN"},
        // Exact ties of float values, away from zero.
        {1234567.5, 12, 7, ".1234568E+07"},  {-1234566.5, 14, 7, "-0.1234567E+07"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(field::E(c.v, c.w, c.d), c.text) << c.v << " E" << c.w << "." << c.d;
}

// Reference rounding from the exact decimal expansion glibc gives.
std::string exact_fixed(double v, int d) {
    char buf[1600];
    std::snprintf(buf, sizeof buf, "%.1080f", std::fabs(v));
    std::string s(buf);
    std::size_t point = s.find('.');
    std::string digits = s.substr(0, point) + s.substr(point + 1, d);
    if (s[point + 1 + d] >= '5') {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
        if (i < 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[i];
    }
    std::string text = digits.substr(0, digits.size() - d);
    while (text.size() > 1 && text[0] == '0') text.erase(0, 1);
    text += '.';
    text.append(digits, digits.size() - d, std::string::npos);
    bool zero = text.find_first_not_of("0.") == std::string::npos;
    if (v < 0 && !zero) text.insert(text.begin(), '-');
    return text;
}

TEST(FieldFormat, FixedPointAgreesWithExactRoundingOnManyValues) {
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> mant(0.0, 1.0);
    std::uniform_int_distribution<int> ex(-8, 8), dec(0, 7);
    for (int i = 0; i < 60000; ++i) {
        int d = dec(rng);
        double v = mant(rng) * std::pow(10.0, ex(rng));
        if (i % 3 == 0)
            v = std::round(v * std::pow(10.0, d + 1)) / std::pow(10.0, d + 1);  // near ties
        if (i % 2) v = -v;
        std::string want = exact_fixed(v, d);
        ASSERT_EQ(field::F(v, 40, d), std::string(40 - want.size(), ' ') + want) << v << " " << d;
    }
}

TEST(FieldFormat, ScientificAgreesWithExactRoundingOnManyValues) {
    std::mt19937_64 rng(777);
    std::uniform_real_distribution<double> mant(0.1, 1.0);
    std::uniform_int_distribution<int> ex(-40, 40), dec(1, 9);
    for (int i = 0; i < 40000; ++i) {
        int d = dec(rng);
        int e = ex(rng);
        double m = mant(rng);
        if (i % 3 == 0) m = (std::floor(m * std::pow(10.0, d)) + 0.5) / std::pow(10.0, d);
        double v = m * std::pow(10.0, e);
        // Reference: round the exact digits of v at d significant digits.
        char buf[1000];
        std::snprintf(buf, sizeof buf, "%.780e", v);
        std::string digits = std::string(1, buf[0]) + std::string(buf + 2, 779);
        int e10 = std::atoi(std::string(buf).substr(std::string(buf).find('e') + 1).c_str()) + 1;
        std::string kept = digits.substr(0, d);
        if (digits[d] >= '5') {
            int j = d - 1;
            while (j >= 0 && kept[j] == '9') kept[j--] = '0';
            if (j < 0) {
                kept.pop_back();
                kept.insert(kept.begin(), '1');
                ++e10;
            } else {
                ++kept[j];
            }
        }
        char ebuf[16];
        std::snprintf(ebuf, sizeof ebuf, "E%c%02d", e10 < 0 ? '-' : '+', std::abs(e10));
        std::string want = "0." + kept + ebuf;
        ASSERT_EQ(field::E(v, d + 6, d), want) << v << " E" << d + 6 << "." << d;
    }
}

TEST(FieldFormat, Integers) {
    struct {
        long long v;
        int w;
        const char* text;
    } cases[] = {
        {42, 5, "   42"},    {-1234, 5, "-1234"},
        {0, 1, "0"},         {1234, 3, "***"},
        {-99, 3, "-99"},     {-10, 2, "**"},
        {99999, 5, "99999"}, {-9223372036854775807LL - 1, 20, "-9223372036854775808"},
        {-1234567, 8, "-1234567"}, {-12345678, 8, "********"},
        {-12345678, 9, "-12345678"}, {-123456789012345, 16, "-123456789012345"},
        {1234567890123456789, 17, "*****************"},
    };
    for (const auto& c : cases) EXPECT_EQ(field::I(c.v, c.w), c.text) << c.v << " I" << c.w;
}

TEST(FieldFormat, TextAndBlanks) {
    EXPECT_EQ(field::A("ab", 5), "ab   ");
    EXPECT_EQ(field::A("abcd", 2), "ab");
    EXPECT_EQ(field::A("UTM", 12, 10), "  UTM       ");
    EXPECT_EQ(field::A("abcdefghijkl", 12, 10), "  abcdefghij");
    EXPECT_EQ(field::A("abc", 4, 10), "abc ");
    EXPECT_EQ(field::X(3), "   ");
    std::string line = "x";
    field::put_i(line, 7, 3);
    field::put_x(line, 2);
    field::put_f(line, 1.5, 5, 1);
    field::put_e(line, 1.5, 10, 3);
    EXPECT_EQ(line, "x  7    1.5 0.150E+01");
}

TEST(FieldFormat, WideFieldsAndLongMantissas) {
    EXPECT_EQ(field::F(-1.5, 70, 3), std::string(64, ' ') + "-1.500");
    EXPECT_EQ(field::E(0.125, 70, 3), std::string(61, ' ') + "0.125E+00");
    EXPECT_EQ(field::I(-7, 70), std::string(68, ' ') + "-7");
    EXPECT_EQ(field::E(0.0, 10, 200), "**********");
    EXPECT_EQ(field::E(0.1, 24, 18), "0.100000000000000006E+00");
    EXPECT_EQ(field::F(0.0, 3, 40), "***");
}

}  // namespace
