#include "common/free_format.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// The n numbers read from `text` (slots left alone hold -1); the status goes
// to `status` when given, else it must be good.
template <class T>
std::vector<T> numbers(const std::string& text, std::size_t n, ReadStatus* status) {
    TextReader r(text);
    std::vector<T> v(n, T(-1));
    ReadStatus s;
    if constexpr (std::is_same_v<T, int>)
        s = r.read_ints(v.data(), n);
    else
        s = r.read_reals(v.data(), n);
    if (status)
        *status = s;
    else
        EXPECT_TRUE(s) << text;
    return v;
}

std::vector<float> reals(const std::string& text, std::size_t n, ReadStatus* status = nullptr) {
    return numbers<float>(text, n, status);
}
std::vector<int> ints(const std::string& text, std::size_t n, ReadStatus* status = nullptr) {
    return numbers<int>(text, n, status);
}

using F = std::vector<float>;
using I = std::vector<int>;

TEST(FreeFormat, SeparatorsSlashAndNullFields) {
    EXPECT_EQ(reals("1 2,3 ,4\t5 , 6", 6), F({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(reals("1,,3", 3), F({1, -1, 3}));
    EXPECT_EQ(reals("1, ,3", 3), F({1, -1, 3}));
    EXPECT_EQ(reals(",2,3", 3), F({-1, 2, 3}));
    EXPECT_EQ(reals("1 2/ 3 4", 4), F({1, 2, -1, -1}));
    EXPECT_EQ(reals("1,/", 3), F({1, -1, -1}));
    EXPECT_EQ(ints("5 6/\n7 8", 2), I({5, 6}));
    // A comma at a line end separates; the next line starts with a value.
    EXPECT_EQ(ints("1,\n2", 2), I({1, 2}));
    EXPECT_EQ(ints("1\n,2", 2), I({1, 2}));
}

TEST(FreeFormat, Repeats) {
    EXPECT_EQ(reals("3*2.5 1", 4), F({2.5, 2.5, 2.5, 1}));
    EXPECT_EQ(reals("2* 7", 3), F({-1, -1, 7}));
    EXPECT_EQ(ints("1000000000*0", 3), I({0, 0, 0}));  // the excess is dropped
    EXPECT_EQ(ints("2*4,2*", 4), I({4, 4, -1, -1}));
    int a = 0, b = 0;
    std::string s, t;
    Target targets[] = {as_text(s), as_text(t), as_int(a), as_int(b)};
    EXPECT_TRUE(parse_fields("2*'x y' 2*9", targets));
    EXPECT_EQ(s, "x y");
    EXPECT_EQ(t, "x y");
    EXPECT_EQ(a + b, 18);
}

TEST(FreeFormat, RecordsContinueAndDropTheirTail) {
    TextReader r("1 2\n\n3 4 5 6\n7 8\n");
    int v[3];
    ASSERT_TRUE(r.read_ints(v, 3));
    EXPECT_EQ(v[2], 3);
    EXPECT_EQ(r.line_number(), 3u);
    ASSERT_TRUE(r.read_ints(v, 2));  // 4 5 6 were dropped with their line
    EXPECT_EQ(v[0], 7);
    EXPECT_EQ(v[1], 8);
    ReadStatus s = r.read_ints(v, 1);
    EXPECT_EQ(s.code, ReadStatus::end_of_file);
}

TEST(FreeFormat, EndOfTextAndLineEnds) {
    ReadStatus s;
    reals("", 1, &s);
    EXPECT_EQ(s.code, ReadStatus::end_of_file);
    reals("1 2\n3\n", 4, &s);
    EXPECT_EQ(s.code, ReadStatus::end_of_file);
    EXPECT_EQ(s.field, 4u);
    EXPECT_EQ(reals("1\r\n2 3\r\n4", 4), F({1, 2, 3, 4}));

    TextReader r("a\r\nb\n\nc");
    std::string_view l;
    std::vector<std::string> lines;
    while (r.next_line(l)) lines.emplace_back(l);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(r.line_number(), 4u);
    EXPECT_TRUE(r.at_end());
}

TEST(FreeFormat, RealForms) {
    EXPECT_EQ(reals("1.5D+03 1.5d3 2E-1 2e1 1. .5 -3 +2e-3 -.25", 9),
              F({1500, 1500, 0.2f, 20, 1, 0.5, -3, 0.002f, -0.25}));
    EXPECT_EQ(reals("1e-60 -1e-60", 2), F({0, 0}));  // underflow is zero
    double d = 0;
    Target t[] = {as_double(d)};
    ASSERT_TRUE(parse_fields("1.25D+300", t));
    EXPECT_EQ(d, 1.25e300);
    for (const char* bad : {"nan", "NaN", "inf", "-Infinity", "1e39", "-1D40", "1.2.3", "1e", "e5",
                            "+-1", "0x10", "--1", "'1'", "1.5x"}) {
        ReadStatus s;
        reals(std::string("7 ") + bad, 2, &s);
        EXPECT_EQ(s.code, ReadStatus::bad_value) << bad;
        EXPECT_EQ(s.field, 2u) << bad;
    }
}

TEST(FreeFormat, StrictIntegers) {
    EXPECT_EQ(ints("-5 +7 0012", 3), I({-5, 7, 12}));
    EXPECT_EQ(ints("2147483647 -2147483648", 2), I({2147483647, -2147483647 - 1}));
    for (const char* bad : {"1.0", "1e2", "1.", "2147483648", "-2147483649", "+", "-", "1-", "x"}) {
        ReadStatus s;
        ints(bad, 1, &s);
        EXPECT_EQ(s.code, ReadStatus::bad_value) << bad;
        EXPECT_EQ(s.text, bad);
    }
}

TEST(FreeFormat, ErrorsCarryLineFieldAndText) {
    TextReader r("1 2 3\n4 5\n6 x7 8\n");
    float v[8];
    ReadStatus s = r.read_reals(v, 8);
    EXPECT_EQ(s.code, ReadStatus::bad_value);
    EXPECT_EQ(s.line, 3u);
    EXPECT_EQ(s.field, 7u);
    EXPECT_EQ(s.text, "x7");

    TextReader e("1 2\n3\n");
    s = e.read_reals(v, 5);
    EXPECT_EQ(s.code, ReadStatus::end_of_file);
    EXPECT_EQ(s.line, 2u);
}

TEST(FreeFormat, TextsAndQuotes) {
    std::string a, b, c;
    int n = 0;
    Target t[] = {as_text(a), as_text(b, 4), as_int(n), as_text(c)};
    ASSERT_TRUE(parse_fields("'it''s, a/b' \"q\"\"x\" 3 plain/rest", t));
    EXPECT_EQ(a, "it's, a/b");
    EXPECT_EQ(b, "q\"x");
    EXPECT_EQ(n, 3);
    EXPECT_EQ(c, "plain");
    ASSERT_TRUE(parse_fields("longword_here,,5, x", t));
    EXPECT_EQ(a, "longword_here");
    EXPECT_EQ(b, "q\"x");  // null field: unchanged
    EXPECT_EQ(n, 5);
    EXPECT_EQ(c, "x");
    ASSERT_TRUE(parse_fields("abcdefgh abcdefgh", {t, 2}));
    EXPECT_EQ(b, "abcd");  // cut to its length
    // Quoted text for a number is a bad value.
    ReadStatus s = parse_fields("a b '5'", t);
    EXPECT_EQ(s.code, ReadStatus::bad_value);
    EXPECT_EQ(s.field, 3u);
    EXPECT_EQ(s.text, "'5'");
}

TEST(FreeFormat, SingleLineParse) {
    int a = -1, b = -1;
    Target t[] = {as_int(a), as_int(b)};
    EXPECT_EQ(parse_fields("4", t).code, ReadStatus::too_few);
    EXPECT_EQ(a, 4);
    EXPECT_TRUE(parse_fields("8/ 9", t));
    EXPECT_EQ(a, 8);
    EXPECT_EQ(b, -1);
    EXPECT_TRUE(parse_fields(" 1 2 3 ", t));
    EXPECT_EQ(b, 2);
}

TEST(FreeFormat, RecordsOfMixedTargets) {
    TextReader r("UTM  ,  17\n 12.5 \n 'x' /tail\n");
    std::string proj, name;
    int zone = 0;
    float f = 0;
    Target t[] = {as_text(proj, 10), as_int(zone), as_real(f)};
    ASSERT_TRUE(r.read(t));
    EXPECT_EQ(proj, "UTM");
    EXPECT_EQ(zone, 17);
    EXPECT_EQ(f, 12.5f);
    Target u[] = {as_text(name), as_int(zone)};
    ASSERT_TRUE(r.read(u));
    EXPECT_EQ(name, "x");
    EXPECT_EQ(zone, 17);
    EXPECT_EQ(r.read(u).code, ReadStatus::end_of_file);
}

TEST(FreeFormat, LongLinesAndLastLineWithoutNewline) {
    std::string line;
    for (int i = 0; i < 25000; ++i) line += std::to_string(i % 10) + ".5 ";
    ASSERT_GE(line.size(), 100000u);
    line += "\n1 2";
    TextReader r(line);
    std::vector<float> v(25000);
    ASSERT_TRUE(r.read_reals(v.data(), v.size()));
    EXPECT_EQ(v[24999], 9.5f);
    float w[2];
    ASSERT_TRUE(r.read_reals(w, 2));
    EXPECT_EQ(w[1], 2.f);
}

TEST(FreeFormat, LoadsFilesAndRefusesDirectories) {
    std::string path = ::testing::TempDir() + "free_format_test.txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("3 4\n", f);
    std::fclose(f);
    TextReader r;
    int err = -1;
    ASSERT_TRUE(r.load(path, err));
    EXPECT_EQ(r.text(), "3 4\n");
    EXPECT_EQ(r.name(), path);
    std::remove(path.c_str());
    EXPECT_FALSE(r.load(::testing::TempDir(), err));
    EXPECT_NE(err, 0);
    EXPECT_FALSE(r.load(path, err));
}

// Rows read together (on the cores where each row has a line of its own)
// come out as rows read one after another: values, lines, dropped counts and
// the first failure alike.
TEST(FreeFormat, RowsReadTogetherMatchRowsReadOneByOne) {
    const char* texts[] = {
        "1 2 3\n4 5 6\n7 8 9\n",                   // a line a row
        "1 2 3 99\n4 5 6\r\n7 8 9 1 1\n",          // values beyond the row, CR LF
        "1 2\n3\n4 5 6\n7 8 9\n",                  // a row over two lines
        "1 2 3\n\n4 5 6\n7 8 9\n",                 // a blank line inside the block
        "1,,3\n2*4 5\n7 8 9 / note\n",              // null field, repeat, slash
        "1 2 3\n4 x 6\n7 8 9\n",                    // a bad value
        "1 2 3\n4 5 6\n",                            // the text ends early
    };
    for (const char* text : texts) {
        std::vector<int> one(9, -1), together(9, -1);
        std::vector<std::string> heard_one, heard_together;
        auto note = [](std::vector<std::string>& heard, std::size_t p, const ReadStatus& st) {
            heard.push_back(std::to_string(p) + ":" + std::to_string(st.code) + ":" +
                            std::to_string(st.line) + ":" + std::to_string(st.dropped));
            return static_cast<bool>(st);
        };
        TextReader a(text);
        for (std::size_t p = 0; p < 3; ++p)
            if (!note(heard_one, p, a.read_ints(one.data() + 3 * p, 3))) break;
        TextReader b(text);
        b.read_rows<int>(
            3, 3, [&](std::size_t p) { return together.data() + 3 * p; },
            [&](std::size_t p, const ReadStatus& st) { return note(heard_together, p, st); });
        EXPECT_EQ(together, one) << text;
        EXPECT_EQ(heard_together, heard_one) << text;
        EXPECT_EQ(b.line_number(), a.line_number()) << text;
    }
}

// Rows long enough that each is a piece of its own go through the worker
// threads; a row over two lines in the middle sends the rest one by one.
TEST(FreeFormat, LongRowsReadTogetherOnTheCores) {
    const std::size_t n = std::size_t{1} << 18, rows = 6;
    std::string text;
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < n; ++c) {
            text += std::to_string((r * 7 + c) % 1000);
            text += (r == 3 && c == n / 2) ? '\n' : ' ';
        }
        text += "\n";
    }
    std::vector<int> got(rows * n, -1);
    std::vector<std::size_t> lines;
    TextReader b(text);
    ASSERT_TRUE(b.read_rows<int>(
        rows, n, [&](std::size_t p) { return got.data() + p * n; },
        [&](std::size_t, const ReadStatus& st) {
            lines.push_back(st.line);
            return static_cast<bool>(st);
        }));
    EXPECT_EQ(lines, (std::vector<std::size_t>{1, 2, 3, 5, 6, 7}));
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c : {std::size_t{0}, n / 2, n - 1})
            EXPECT_EQ(got[r * n + c], static_cast<int>((r * 7 + c) % 1000)) << r << " " << c;
}

}  // namespace
