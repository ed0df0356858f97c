// Golden runs: each basin runs in a scratch copy of its inputs with no console
// input, and every file it writes, its console output and its exit status must
// equal the stored expected files byte for byte (date and time lines masked;
// the overview picture is only required to be there).
// Any change in any output fails here until tools/update_golden.sh is re-run
// on purpose and the new files are checked in.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "e2e/e2e_harness.hpp"

namespace {

namespace fs = std::filesystem;

struct GoldenBasin {
    std::string name;
    fs::path input;  // folder with the basin's inputs
};

void PrintTo(const GoldenBasin& g, std::ostream* os) {
    *os << g.name;
}

// Keep in step with tools/update_golden.sh.
std::vector<GoldenBasin> golden_basins() {
    const fs::path src(ZEL_SOURCE_DIR);
    return {{"demo", src / "examples" / "demo"},
            {"latlong", src / "tests" / "golden" / "latlong" / "input"},
            {"nca2", src / "tests" / "golden" / "nca2" / "input"}};
}

// Outputs written by every golden run but not stored or compared: the overview
// picture has tests of its own. Keep in step with tools/update_golden.sh.
const std::set<std::string> kNotCompared = {"zel_overview.svg"};

fs::path expected_folder(const std::string& basin) {
    return fs::path(ZEL_SOURCE_DIR) / "tests" / "golden" / basin / "expected";
}

// Lines of the run's date and time: the keyword stays, the rest is masked.
std::string mask_line(const std::string& line, const std::string& key) {
    if (line.compare(0, key.size(), key) != 0) return line;
    if (line.size() > key.size() && line[key.size()] != ' ' && line[key.size()] != '\t')
        return line;
    return key + " <masked>";
}

std::string mask(const std::string& file, const std::string& text) {
    std::string key;
    if (file.size() > 4 && file.compare(file.size() - 4, 4, ".r2c") == 0)
        key = ":CreationDate";
    else if (file == "new_format.shd")
        key = ":Created";
    else
        return text;
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        bool newline = end != std::string::npos;
        if (!newline) end = text.size();
        out += mask_line(text.substr(start, end - start), key);
        if (newline) out += '\n';
        start = end + 1;
    }
    return out;
}

// Empty when equal; otherwise where and how the texts first differ.
std::string first_difference(const std::string& expected, const std::string& actual) {
    if (expected == actual) return "";
    std::size_t line = 1, start = 0;
    while (true) {
        std::size_t e_end = expected.find('\n', start), a_end = actual.find('\n', start);
        std::string e = expected.substr(start, e_end == std::string::npos ? e_end : e_end - start);
        std::string a = actual.substr(start, a_end == std::string::npos ? a_end : a_end - start);
        if (e != a || e_end != a_end) {
            std::ostringstream s;
            s << "first difference at line " << line << "\n  expected: ";
            if (start >= expected.size())
                s << "(end of file)";
            else
                s << '"' << e << '"' << (e_end == std::string::npos ? " (no newline)" : "");
            s << "\n  actual:   ";
            if (start >= actual.size())
                s << "(end of file)";
            else
                s << '"' << a << '"' << (a_end == std::string::npos ? " (no newline)" : "");
            return s.str();
        }
        start = e_end + 1;
        ++line;
    }
}

std::map<std::string, std::string> read_folder(const fs::path& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) out[e.path().filename().string()] = e2e::read_file(e.path());
    return out;
}

class Golden : public ::testing::TestWithParam<GoldenBasin> {};

TEST_P(Golden, OutputsMatchTheExpectedFiles) {
    const GoldenBasin& g = GetParam();
    const auto inputs = read_folder(g.input);
    ASSERT_FALSE(inputs.empty()) << "no inputs in " << g.input;
    const fs::path expected_dir = expected_folder(g.name);
    ASSERT_TRUE(fs::is_directory(expected_dir)) << expected_dir << " missing";
    const auto expected = read_folder(expected_dir);

    e2e::Basin b;
    for (const auto& [name, text] : inputs) b.write(name, text);
    e2e::Result r = b.run("");
    EXPECT_EQ(r.signal, 0) << "zel was killed";
    EXPECT_EQ(r.err, "") << "zel wrote to standard error";

    // What the run left: its inputs, which must be untouched, and its outputs.
    std::map<std::string, std::string> actual;
    for (const auto& [name, text] : read_folder(b.dir())) {
        auto in = inputs.find(name);
        if (in == inputs.end())
            actual[name] = text;
        else
            EXPECT_TRUE(text == in->second) << "the run changed its input " << name;
    }
    for (const auto& [name, text] : inputs)
        EXPECT_TRUE(b.exists(name)) << "the run removed its input " << name;
    actual["console.txt"] = r.out;
    actual["status.txt"] = std::to_string(r.status) + "\n";

    for (const auto& [name, text] : expected) {
        auto a = actual.find(name);
        if (a == actual.end()) {
            ADD_FAILURE() << g.name << ": output " << name << " was not written";
            continue;
        }
        std::string diff = first_difference(mask(name, text), mask(name, a->second));
        if (!diff.empty()) ADD_FAILURE() << g.name << "/" << name << ": " << diff;
    }
    for (const auto& [name, text] : actual)
        if (!expected.count(name) && !kNotCompared.count(name))
            ADD_FAILURE() << g.name << ": unexpected output " << name;
    for (const std::string& name : kNotCompared) {
        EXPECT_FALSE(expected.count(name))
            << g.name << ": " << name << " is stored but not compared";
        EXPECT_TRUE(actual.count(name) && !actual[name].empty()) << g.name << ": no " << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Basins, Golden, ::testing::ValuesIn(golden_basins()),
                         [](const auto& info) { return info.param.name; });

// The comparison itself: masking touches only the date lines of the files that
// carry them, and a difference is reported at its line.
TEST(GoldenCompare, MasksOnlyDateLines) {
    EXPECT_EQ(mask("new_shd.r2c", "a\n:CreationDate       2026-12-07  22:46\nb\n"),
              "a\n:CreationDate <masked>\nb\n");
    EXPECT_EQ(mask("elv_max.r2c", ":CreationDateX 1\n"), ":CreationDateX 1\n");
    EXPECT_EQ(mask("new_format.shd", ":Created     :      22:46:26  07-12-2026\n"),
              ":Created <masked>\n");
    EXPECT_EQ(mask("zel_info.txt", ":CreationDate 2026\n"), ":CreationDate 2026\n");
    EXPECT_EQ(mask("console.txt", ":Created 1\n"), ":Created 1\n");
}

TEST(GoldenCompare, ReportsTheFirstDifferingLine) {
    EXPECT_EQ(first_difference("a\nb\n", "a\nb\n"), "");
    EXPECT_EQ(first_difference("a\nb\nc\n", "a\nB\nc\n"),
              "first difference at line 2\n  expected: \"b\"\n  actual:   \"B\"");
    EXPECT_EQ(first_difference("a\nb\n", "a\n"),
              "first difference at line 2\n  expected: \"b\"\n  actual:   (end of file)");
    EXPECT_EQ(first_difference("a\nb\n", "a\nb"),
              "first difference at line 2\n  expected: \"b\"\n  actual:   \"b\" (no newline)");
    EXPECT_NE(first_difference("a\n", "a\r\n"), "");
}

}  // namespace
