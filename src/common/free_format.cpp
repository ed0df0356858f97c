#include "common/free_format.hpp"

#include "common/pieces.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <limits>
#include <string>

namespace {

inline bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}
inline bool ends_token(char c) {
    return is_blank(c) || c == ',' || c == '/';
}
inline bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Strict integer: optional sign and digits, nothing else.
bool parse_int(std::string_view s, int& v) {
    const char* b = s.data();
    const char* e = b + s.size();
    if (b != e && *b == '+') ++b;
    if (b == e || (*b == '-' && (b + 1 == e || !is_digit(b[1])))) return false;
    if (*b != '-' && !is_digit(*b)) return false;
    int r = 0;
    auto [p, ec] = std::from_chars(b, e, r);
    if (ec != std::errc() || p != e) return false;
    v = r;
    return true;
}

// Out-of-range reading: an underflow becomes (signed) zero or a subnormal, an
// overflow is an error. Rare, so strtod on a copy is good enough.
template <class T>
bool parse_out_of_range(const char* b, const char* e, T& v) {
    std::string copy(b, e);
    errno = 0;
    char* end = nullptr;
    double d = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(d)) return false;
    if (std::fabs(d) >= 1.0) return false;
    v = static_cast<T>(d);
    return true;
}

// Real with E or D exponent in either case; never NaN, infinity or out of range.
template <class T>
bool parse_real(std::string_view s, T& v) {
    const char* b = s.data();
    const char* e = b + s.size();
    if (b != e && *b == '+' && ++b != e && *b == '-') return false;
    // Only digits or a point may start the number (after a minus): this keeps
    // out "nan", "inf", "infinity", "+-1" and hexadecimal forms.
    const char* f = (b != e && *b == '-') ? b + 1 : b;
    if (f == e || !(is_digit(*f) || *f == '.')) return false;
    T r;
    auto [p, ec] = std::from_chars(b, e, r, std::chars_format::general);
    if (ec == std::errc() && p == e) {
        v = r;
        return true;
    }
    if (p != e && (*p == 'd' || *p == 'D' || *p == 'e' || *p == 'E')) {
        // D exponent (or an exponent that from_chars refused): copy and retry.
        char buf[64];
        std::size_t n = static_cast<std::size_t>(e - b);
        if (n >= sizeof buf) {
            // Without a D to change the retry would fail the same way, forever.
            if (std::none_of(b, e, [](char c) { return c == 'd' || c == 'D'; })) return false;
            std::string copy(b, e);
            std::replace_if(
                copy.begin(), copy.end(), [](char c) { return c == 'd' || c == 'D'; }, 'E');
            return parse_real(std::string_view(copy), v);
        }
        std::memcpy(buf, b, n);
        bool changed = false;
        for (std::size_t i = 0; i < n; ++i)
            if (buf[i] == 'd' || buf[i] == 'D') {
                buf[i] = 'E';
                changed = true;
            }
        if (!changed) return false;
        auto [p2, ec2] = std::from_chars(buf, buf + n, r, std::chars_format::general);
        if (p2 != buf + n) return false;
        if (ec2 == std::errc()) {
            v = r;
            return true;
        }
        if (ec2 == std::errc::result_out_of_range) return parse_out_of_range(buf, buf + n, v);
        return false;
    }
    if (ec == std::errc::result_out_of_range && p == e) return parse_out_of_range(b, e, v);
    return false;
}

// One field of a record as found in the text.
struct Token {
    enum Kind { value, null, slash, end } kind = end;
    std::size_t repeat = 1;
    std::string_view text;  // the value (unquoted content for quoted texts)
    std::string_view raw;   // the field as written, for messages
    bool quoted = false;
};

// Walks the fields of a record over one or more lines. `Lines` supplies the
// next line when a record continues (a single-line parse supplies none).
template <class Lines>
class Scanner {
  public:
    explicit Scanner(Lines& lines) : lines_(lines) {}

    std::size_t line() const { return lines_.line_number(); }

    // The next field; `end` when the text (or the line) runs out.
    Token next() {
        Token t;
        for (;;) {
            while (p_ != e_ && is_blank(*p_)) ++p_;
            if (p_ == e_) {
                if (!advance()) return t;  // end
                continue;
            }
            char c = *p_;
            if (c == ',') {
                ++p_;
                if (after_value_) {
                    after_value_ = false;  // the separator after a value
                    continue;
                }
                t.kind = Token::null;
                t.raw = {p_ - 1, 1};
                return t;
            }
            if (c == '/') {
                ++p_;
                t.kind = Token::slash;
                return t;
            }
            break;
        }
        after_value_ = true;
        const char* start = p_;
        if (*p_ == '\'' || *p_ == '"') return quoted(t, start, p_);
        // Plain field: runs to a blank, comma or slash; note a '*' for r*value.
        const char* star = nullptr;
        const char* q = p_;
        while (q != e_ && !ends_token(*q)) {
            if (*q == '*' && !star) star = q;
            ++q;
        }
        if (star && star != start && std::all_of(start, star, is_digit)) {
            std::size_t r = 0;
            auto [pp, ec] = std::from_chars(start, star, r);
            if (ec == std::errc() && pp == star && r > 0) {
                t.repeat = r;
                const char* v = star + 1;
                if (v == q) {  // r* : r null fields
                    p_ = q;
                    t.kind = Token::null;
                    t.raw = {start, static_cast<std::size_t>(q - start)};
                    return t;
                }
                if (*v == '\'' || *v == '"') return quoted(t, start, v);
                p_ = q;
                t.kind = Token::value;
                t.text = {v, static_cast<std::size_t>(q - v)};
                t.raw = {start, static_cast<std::size_t>(q - start)};
                return t;
            }
        }
        p_ = q;
        t.kind = Token::value;
        t.text = {start, static_cast<std::size_t>(q - start)};
        t.raw = t.text;
        return t;
    }

    // Hot path for grid blocks: the next plain field, or false when the field
    // needs the general handling (separator comma, slash, quote, repeat, line end).
    bool next_plain(std::string_view& text) {
        const char* p = p_;
        while (p != e_ && (*p == ' ' || *p == '\t')) ++p;
        if (p == e_) return false;
        if (*p == ',') {
            if (!after_value_) return false;
            ++p;
            while (p != e_ && (*p == ' ' || *p == '\t')) ++p;
            if (p == e_ || *p == ',') return false;
        }
        const char* start = p;
        for (; p != e_; ++p) {
            char c = *p;
            if (c == ' ' || c == ',' || c == '\t') break;
            if (c == '/' || c == '*' || c == '\'' || c == '"' || c == '\r') return false;
        }
        text = {start, static_cast<std::size_t>(p - start)};
        p_ = p;
        after_value_ = true;
        return true;
    }

    // Begin on a line already at hand (single-line parse).
    void start(std::string_view line) {
        p_ = line.data();
        e_ = p_ + line.size();
    }

    // The values left on the current line (a slash ends them; r*value
    // counts r), without moving on.
    std::size_t values_left() const {
        std::size_t count = 0;
        for (const char* p = p_; p != e_;) {
            if (is_blank(*p) || *p == ',') {
                ++p;
                continue;
            }
            if (*p == '/') break;
            const char* start = p;
            if (*p == '\'' || *p == '"') {
                const char q = *p++;
                while (p != e_ && *p != q) ++p;
                if (p != e_) ++p;
            }
            while (p != e_ && !ends_token(*p)) ++p;
            std::size_t r = 1;
            const char* star = std::find(start, p, '*');
            if (star != p && star != start && std::all_of(start, star, is_digit)) {
                std::from_chars(start, star, r);
                if (star + 1 == p) r = 0;  // r nulls are no values
            }
            count += r;
        }
        return count;
    }

  private:
    bool advance() {
        std::string_view l;
        if (!lines_.next(l)) return false;
        p_ = l.data();
        e_ = p_ + l.size();
        return true;
    }

    // A quoted text; a doubled quote inside stands for one quote. A text left
    // open runs to the end of the line.
    Token quoted(Token& t, const char* start, const char* open) {
        char qc = *open;
        const char* q = open + 1;
        buf_.clear();
        bool simple = true;
        const char* content = q;
        for (;;) {
            if (q == e_) break;
            if (*q == qc) {
                if (q + 1 != e_ && q[1] == qc) {
                    if (simple) {
                        buf_.assign(content, q);
                        simple = false;
                    }
                    buf_.push_back(qc);
                    q += 2;
                    continue;
                }
                break;
            }
            if (!simple) buf_.push_back(*q);
            ++q;
        }
        const char* close = q;
        if (q != e_) ++q;  // past the closing quote
        t.kind = Token::value;
        t.quoted = true;
        t.text = simple ? std::string_view(content, static_cast<std::size_t>(close - content))
                        : std::string_view(buf_);
        t.raw = {start, static_cast<std::size_t>(q - start)};
        // Anything glued to the closing quote belongs to this field and is dropped.
        while (q != e_ && !ends_token(*q)) ++q;
        p_ = q;
        return t;
    }

    Lines& lines_;
    const char* p_ = nullptr;
    const char* e_ = nullptr;
    bool after_value_ = false;
    std::string buf_;
};

// Line supply for a single-line parse: there is no next line.
struct OneLine {
    bool next(std::string_view&) { return false; }
    std::size_t line_number() const { return 1; }
};

// Line supply from a TextReader (continuation lines of a record).
struct ReaderLines {
    TextReader& r;
    bool next(std::string_view& l) { return r.next_line(l); }
    std::size_t line_number() const { return r.line_number(); }
};

ReadStatus stopped_at(ReadStatus::Code code, std::size_t line, std::size_t field) {
    ReadStatus s;
    s.code = code;
    s.line = line;
    s.field = field;
    return s;
}

ReadStatus bad(std::size_t line, std::size_t field, std::string_view raw) {
    ReadStatus s = stopped_at(ReadStatus::bad_value, line, field);
    s.text = std::string(raw);
    return s;
}

bool store(const Target& t, std::string_view text, bool quoted) {
    switch (t.kind) {
        case Target::Kind::integer:
            return !quoted && parse_int(text, *static_cast<int*>(t.ptr));
        case Target::Kind::real:
            return !quoted && parse_real(text, *static_cast<float*>(t.ptr));
        case Target::Kind::real64:
            return !quoted && parse_real(text, *static_cast<double*>(t.ptr));
        case Target::Kind::text: {
            auto* s = static_cast<std::string*>(t.ptr);
            s->assign(text.substr(0, std::min(text.size(), t.max_len)));
            return true;
        }
    }
    return false;
}

// The general record loop: fills n slots through put(index, count, token).
// `ran_out` is the status when the fields run out before every slot is set.
// Before each token, skim(scanner, index, status) may take plain fields in
// bulk; it returns false, with the status set, at a bad one.
template <class Lines, class Put, class Skim>
ReadStatus scan_record(Scanner<Lines>& sc, std::size_t n, ReadStatus::Code ran_out, Put&& put,
                       Skim&& skim) {
    std::size_t i = 0;
    ReadStatus failed;
    for (;;) {
        if (!skim(sc, i, failed)) return failed;
        if (i >= n) return {};
        Token t = sc.next();
        switch (t.kind) {
            case Token::end:
                return stopped_at(ran_out, sc.line(), i + 1);
            case Token::slash:
                return {};
            case Token::null:
                i += std::min(t.repeat, n - i);
                break;
            case Token::value: {
                std::size_t k = std::min(t.repeat, n - i);
                if (!put(i, k, t)) return bad(sc.line(), i + 1, t.raw);
                i += k;
                break;
            }
        }
    }
}

template <class Lines>
bool no_skim(Scanner<Lines>&, std::size_t&, ReadStatus&) {
    return true;
}

// Stores one token in targets[i..i+k).
auto store_in(std::span<const Target> targets) {
    return [targets](std::size_t i, std::size_t k, const Token& t) {
        for (std::size_t j = i; j < i + k; ++j)
            if (!store(targets[j], t.text, t.quoted)) return false;
        return true;
    };
}

// A record of n slots from the reader's next line on. A counted record's
// status also holds, on success, its last line and the values left on it.
template <class Put, class Skim>
ReadStatus read_record(TextReader& reader, std::size_t n, Put&& put, Skim&& skim,
                       bool counted = false) {
    ReaderLines lines{reader};
    Scanner<ReaderLines> sc(lines);
    std::string_view line;
    if (!reader.next_line(line))
        return stopped_at(ReadStatus::end_of_file, reader.line_number(), 1);
    sc.start(line);
    ReadStatus st = scan_record(sc, n, ReadStatus::end_of_file, put, skim);
    if (counted && st) {
        st.dropped = sc.values_left();
        st.line = reader.line_number();
    }
    return st;
}

template <class T, class Each>
ReadStatus read_numbers_each(TextReader& reader, std::size_t n, Each&& each) {
    auto skim = [&](Scanner<ReaderLines>& sc, std::size_t& i, ReadStatus& failed) {
        std::string_view f;
        T v{};
        while (i < n && sc.next_plain(f)) {
            if (!parse_real(f, v)) {
                failed = bad(reader.line_number(), i + 1, f);
                return false;
            }
            each(i, v);
            ++i;
        }
        return true;
    };
    auto put = [&](std::size_t i, std::size_t k, const Token& t) {
        T v{};
        if (t.quoted || !parse_real(t.text, v)) return false;
        for (std::size_t j = i; j < i + k; ++j) each(j, v);
        return true;
    };
    return read_record(reader, n, put, skim);
}

template <class T>
bool parse_number(std::string_view f, T& v) {
    if constexpr (std::is_same_v<T, int>)
        return parse_int(f, v);
    else
        return parse_real(f, v);
}

// The two ways values of a counted record reach out[]: a fast run over plain
// fields (anything else goes through the general loop; `line` gives the line
// number a bad field is reported on), and a token standing for k values.
template <class T, class Scan, class Line>
auto skim_into(T* out, std::size_t n, Line line) {
    return [out, n, line](Scan& sc, std::size_t& i, ReadStatus& failed) {
        std::string_view f;
        while (i < n && sc.next_plain(f)) {
            if (!parse_number(f, out[i])) {
                failed = bad(line(), i + 1, f);
                return false;
            }
            ++i;
        }
        return true;
    };
}
template <class T>
auto put_into(T* out) {
    return [out](std::size_t i, std::size_t k, const Token& t) {
        T v{};
        if (t.quoted || !parse_number(t.text, v)) return false;
        std::fill(out + i, out + i + k, v);
        return true;
    };
}

template <class T>
ReadStatus read_numbers(TextReader& reader, T* out, std::size_t n) {
    return read_record(
        reader, n, put_into(out),
        skim_into<T, Scanner<ReaderLines>>(out, n, [&reader] { return reader.line_number(); }), true);
}

// n numbers from one line alone (too_few when the line has fewer), as the
// fast path of read_rows; `dropped` holds the values left on the line.
template <class T>
ReadStatus parse_row_line(std::string_view line, T* out, std::size_t n) {
    // Null fields and repeat counts take the general path, row after row.
    bool need_value = true;
    for (std::size_t k = 0; k < line.size(); ++k) {
        const char c = line[k];
        if (c == '/') break;
        if (c == '*') return stopped_at(ReadStatus::too_few, 1, 1);
        if (c == ',') {
            if (need_value) return stopped_at(ReadStatus::too_few, 1, 1);
            need_value = true;
        } else if (!is_blank(c)) {
            need_value = false;
        }
    }
    OneLine one;
    Scanner<OneLine> sc(one);
    sc.start(line);
    auto skim = skim_into<T, Scanner<OneLine>>(out, n, [] { return std::size_t{1}; });
    auto put = put_into(out);
    ReadStatus st = scan_record(sc, n, ReadStatus::too_few, put, skim);
    if (st) st.dropped = sc.values_left();
    return st;
}

}  // namespace

template <class T>
bool TextReader::read_rows(std::size_t count, std::size_t n, const std::function<T*(std::size_t)>& row,
                           const std::function<bool(std::size_t, const ReadStatus&)>& each) {
    // The lines of the next `count` rows, when each row has one of its own.
    std::vector<std::size_t> starts;  // offsets of the lines, and of the end
    starts.reserve(count + 1);
    std::size_t at = pos_;
    for (std::size_t p = 0; p < count && at < text_.size(); ++p) {
        starts.push_back(at);
        const void* nl = std::memchr(text_.data() + at, '\n', text_.size() - at);
        at = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text_.data()) + 1
                : text_.size();
    }
    starts.push_back(at);
    const std::size_t lines = starts.size() - 1;
    const std::size_t first_line = line_;

    // Rows parsed on the cores, each from its line alone, into a buffer of
    // its piece; taken in order up to the first row that is not a line of
    // its own (or cannot be read).
    struct Piece {
        std::vector<T> values;
        std::vector<std::size_t> dropped;
        std::size_t good = 0;  // rows of the piece read
    };
    const std::size_t per_piece = std::max<std::size_t>(1, (std::size_t{1} << 18) / std::max<std::size_t>(1, n));
    const std::size_t pieces = (lines + per_piece - 1) / per_piece;
    std::size_t done = 0;  // rows taken
    bool stopped = false;
    struct Stopped {};
    try {
        in_order<Piece>(
            pieces,
            [&](std::size_t p, Piece& piece) {
                const std::size_t first = p * per_piece, last = std::min(lines, first + per_piece);
                piece.values.resize((last - first) * n);
                piece.dropped.assign(last - first, 0);
                piece.good = 0;
                for (std::size_t r = first; r < last; ++r) {
                    std::size_t len = starts[r + 1] - starts[r];
                    if (len > 0 && text_[starts[r] + len - 1] == '\n') --len;
                    if (len > 0 && text_[starts[r] + len - 1] == '\r') --len;
                    T* out = piece.values.data() + (r - first) * n;
                    std::copy_n(row(r), n, out);  // null fields keep what the row held
                    const ReadStatus st = parse_row_line({text_.data() + starts[r], len}, out, n);
                    if (!st) return;
                    piece.dropped[r - first] = st.dropped;
                    ++piece.good;
                }
            },
            [&](std::size_t p, Piece& piece) {
                const std::size_t first = p * per_piece;
                for (std::size_t k = 0; k < piece.good; ++k) {
                    std::copy_n(piece.values.data() + k * n, n, row(first + k));
                    ReadStatus st;
                    st.line = first_line + first + k + 1;
                    st.dropped = piece.dropped[k];
                    ++done;
                    if (!each(first + k, st)) {
                        stopped = true;
                        throw Stopped{};
                    }
                }
                if (piece.good < piece.values.size() / std::max<std::size_t>(1, n)) throw Stopped{};
            });
    } catch (const Stopped&) {
    }
    pos_ = starts[done];
    line_ = first_line + done;
    if (stopped) return false;
    // The rest one by one: rows over several lines, or a problem to report.
    for (std::size_t p = done; p < count; ++p) {
        const ReadStatus st = read_numbers(*this, row(p), n);
        if (!each(p, st) || !st) return false;
    }
    return true;
}

template bool TextReader::read_rows<float>(std::size_t, std::size_t,
                                           const std::function<float*(std::size_t)>&,
                                           const std::function<bool(std::size_t, const ReadStatus&)>&);
template bool TextReader::read_rows<int>(std::size_t, std::size_t,
                                         const std::function<int*(std::size_t)>&,
                                         const std::function<bool(std::size_t, const ReadStatus&)>&);

ReadStatus parse_fields(std::string_view line, std::span<const Target> targets) {
    OneLine one;
    Scanner<OneLine> sc(one);
    sc.start(line);
    return scan_record(sc, targets.size(), ReadStatus::too_few, store_in(targets),
                       no_skim<OneLine>);
}

bool TextReader::load(const std::string& path, int& error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = errno;
        ::close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        error = EISDIR;
        return false;
    }
    // One spare byte lets a regular file's end show without growing the buffer.
    std::size_t room = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1
                                                            : 65536;
    auto text = std::make_unique_for_overwrite<char[]>(room);
    std::size_t used = 0;
    for (;;) {
        if (used == room) {
            auto more = std::make_unique_for_overwrite<char[]>(room * 2);
            std::memcpy(more.get(), text.get(), used);
            text = std::move(more);
            room *= 2;
        }
        ssize_t got = ::read(fd, text.get() + used, room - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            error = errno;
            ::close(fd);
            return false;
        }
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    ::close(fd);
    buf_ = std::move(text);
    text_ = {buf_.get(), used};
    name_ = path;
    rewind();
    error = 0;
    return true;
}

bool TextReader::next_line(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const char* b = text_.data() + pos_;
    std::size_t left = text_.size() - pos_;
    const void* nl = std::memchr(b, '\n', left);
    std::size_t len = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - b) : left;
    pos_ += nl ? len + 1 : len;
    if (len > 0 && b[len - 1] == '\r') --len;
    line = {b, len};
    ++line_;
    return true;
}

ReadStatus TextReader::read(std::span<const Target> targets) {
    return read_record(*this, targets.size(), store_in(targets), no_skim<ReaderLines>);
}

ReadStatus TextReader::read_reals(float* out, std::size_t n) {
    return read_numbers(*this, out, n);
}
ReadStatus TextReader::read_ints(int* out, std::size_t n) {
    return read_numbers(*this, out, n);
}
ReadStatus TextReader::read_reals_each(std::size_t n,
                                       const std::function<void(std::size_t, float)>& each) {
    return read_numbers_each<float>(*this, n, each);
}
