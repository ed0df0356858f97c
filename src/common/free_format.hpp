#pragma once
// The one free-format reader of the program. Map blocks, header values,
// answers and parameter values are all read through it.
//
// Fields are separated by blanks (or tabs) and/or one comma; a slash ends the
// fields of a record; two commas with nothing between give a null field that
// leaves its target unchanged; `r*value` repeats a value r times and `r*`
// gives r null fields; quoted texts ('...' or "...") may hold blanks, commas
// and slashes. Integers accept only whole numbers (an optional sign and
// digits); reals accept the usual forms with an exponent letter E or D in
// either case, but never NaN or infinity, and never a value out of range.
// Parsing works straight on the text with std::from_chars.
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

struct ReadStatus {
    enum Code {
        ok,
        end_of_file,  // the text ended before every target had a value
        too_few,      // (single-line parse) the line ended before every target had a value
        bad_value,    // a field could not be converted to its target's type
    };
    Code code = ok;
    std::size_t line = 0;   // line number (1-based) where the problem was found;
                            // end_of_file: the last line of the text (0 when empty)
    std::size_t field = 0;  // 1-based index of the target that failed (or was not reached)
    std::string text;       // the offending field (bad_value)
    std::size_t dropped = 0;  // (grid rows read) values left unread on the row's last line
    explicit operator bool() const { return code == ok; }
};

// Where one field goes.
struct Target {
    enum class Kind { integer, real, real64, text };
    Kind kind;
    void* ptr;
    std::size_t max_len = std::string::npos;  // text: longer texts are cut
};
inline Target as_int(int& v) { return {Target::Kind::integer, &v}; }
inline Target as_real(float& v) { return {Target::Kind::real, &v}; }
inline Target as_double(double& v) { return {Target::Kind::real64, &v}; }
inline Target as_text(std::string& v, std::size_t max_len = std::string::npos) {
    return {Target::Kind::text, &v, max_len};
}

// Parse one line only (no continuation onto further lines). Targets not reached
// because of a slash keep their values and the result is ok; a line that ends
// before all targets are filled gives too_few (the targets reached are set).
ReadStatus parse_fields(std::string_view line, std::span<const Target> targets);

// A whole text held in memory and read line by line or record by record.
class TextReader {
public:
    TextReader() = default;
    explicit TextReader(std::string_view text, std::string name = {}) : name_(std::move(name)) {
        hold(text.size());
        if (!text.empty()) std::memcpy(buf_.get(), text.data(), text.size());
    }

    // Read the whole file. False (with errno in `error`) when it cannot be read.
    bool load(const std::string& path, int& error);
    const std::string& name() const { return name_; }
    std::string_view text() const { return text_; }

    // The next line without its line end (LF or CR LF); false at the end of the text.
    bool next_line(std::string_view& line);
    bool at_end() const { return pos_ >= text_.size(); }
    // Number of the last line returned (1-based); 0 before the first.
    std::size_t line_number() const { return line_; }
    void rewind() {
        pos_ = 0;
        line_ = 0;
    }

    // One free-format record, starting on the next line. A record continues
    // over as many lines as it needs; what follows the last needed value on
    // its last line is dropped. A slash ends the record early (the remaining
    // targets keep their values). The status's line is that of the problem.
    ReadStatus read(std::span<const Target> targets);
    // The same for a row of n reals or n integers (the fast path for grid
    // blocks); on success the status holds the row's last line and the
    // values left unread on it.
    ReadStatus read_reals(float* out, std::size_t n);
    ReadStatus read_ints(int* out, std::size_t n);
    // `count` rows of n reals (or integers), read as read_reals / read_ints
    // would read them one after another: row(p) gives where row p goes, and
    // each(p, status) hears each row's status in order (its line and the
    // values left on it). Reading ends at the first row that fails, or when
    // each returns false; the result is then false. Rows that sit on lines
    // of their own are parsed on the machine's cores.
    template <class T>
    bool read_rows(std::size_t count, std::size_t n, const std::function<T*(std::size_t)>& row,
                   const std::function<bool(std::size_t, const ReadStatus&)>& each);
    // A record of n reals handed one by one to each(index, value), for rows too
    // long to hold (index 0-based; a repeat count calls it for every index).
    ReadStatus read_reals_each(std::size_t n, const std::function<void(std::size_t, float)>& each);

private:
    // The text lives in a buffer of its own, left unfilled until it is read into.
    void hold(std::size_t size) {
        buf_ = std::make_unique_for_overwrite<char[]>(size + 1);
        text_ = {buf_.get(), size};
    }
    std::unique_ptr<char[]> buf_;
    std::string_view text_;
    std::string name_;
    std::size_t pos_ = 0;
    std::size_t line_ = 0;
};
