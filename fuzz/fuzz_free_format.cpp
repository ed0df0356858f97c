// The free-format reader: whole-text records of mixed targets, grid rows of
// reals and integers, and single-line parsing.
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "common/free_format.hpp"
#include "fuzz_support.hpp"

namespace {

void check(const ReadStatus& st, std::size_t targets) {
    // A failure names a target that exists (or the one not reached).
    if (!st && st.code != ReadStatus::end_of_file && (st.field < 1 || st.field > targets + 1))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int mode = data[0] % 4;
    const std::size_t n = 1 + data[1] % 64;
    std::string text = fuzz::as_text(data + 2, size - 2);

    if (mode == 0) {
        // Mixed records until the text ends or a record fails.
        TextReader reader(text, "fuzz.txt");
        int i = 0;
        float f = 0;
        double d = 0;
        std::string s;
        const std::array<Target, 4> targets{as_int(i), as_real(f), as_text(s, 10), as_double(d)};
        for (int k = 0; k < 10000; ++k) {
            ReadStatus st = reader.read(std::span<const Target>(targets.data(), 1 + k % 4));
            check(st, 1 + k % 4);
            if (s.size() > 10) std::abort();
            if (!std::isfinite(f) || !std::isfinite(d)) std::abort();
            if (!st) break;
        }
    } else if (mode == 1) {
        TextReader reader(text, "fuzz.txt");
        std::vector<float> row(n);
        for (int k = 0; k < 10000; ++k) {
            ReadStatus st = reader.read_reals(row.data(), n);
            check(st, n);
            if (!st) break;
            for (float v : row)
                if (!std::isfinite(v)) std::abort();
        }
    } else if (mode == 2) {
        TextReader reader(text, "fuzz.txt");
        std::vector<int> row(n);
        for (int k = 0; k < 10000; ++k) {
            ReadStatus st = reader.read_ints(row.data(), n);
            check(st, n);
            if (!st) break;
        }
    } else {
        // Line by line, as the keyword readers do.
        TextReader reader(text, "fuzz.txt");
        std::string_view line;
        std::size_t lines = 0;
        std::vector<int> ints(n);
        std::vector<std::string> texts(n);
        while (reader.next_line(line)) {
            ++lines;
            if (reader.line_number() != lines) std::abort();
            if (line.find('\n') != std::string_view::npos) std::abort();
            std::vector<Target> targets;
            for (std::size_t k = 0; k < n; ++k)
                targets.push_back(k % 2 ? as_int(ints[k]) : as_text(texts[k], 40));
            check(parse_fields(line, targets), n);
        }
    }
    return 0;
}
