#pragma once
// The field notation of every fixed-width file layout: Iw, Fw.d, Ew.d, Aw, nX.
//
// A number that does not fit its field is written as w asterisks. Fw.d drops
// the leading zero of a value below 1 only when it does not fit otherwise;
// Ew.d writes 0.ddd...E+ee and drops the leading zero when one character
// short. Rounding is to nearest on the exact binary value, ties away from
// zero; a negative value that rounds to zero is written without its sign.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace field {

void put_i(std::string& out, long long v, int w);
void put_f(std::string& out, double v, int w, int d);
void put_e(std::string& out, double v, int w, int d);
// Text in w characters: padded on the right or cut; when w exceeds the declared
// length of the text variable (declared >= 0), w - declared blanks come first.
void put_a(std::string& out, std::string_view s, int w, int declared = -1);
inline void put_x(std::string& out, int n) { out.append(n > 0 ? n : 0, ' '); }

inline std::string I(long long v, int w) {
    std::string s;
    put_i(s, v, w);
    return s;
}
inline std::string F(double v, int w, int d) {
    std::string s;
    put_f(s, v, w, d);
    return s;
}
inline std::string E(double v, int w, int d) {
    std::string s;
    put_e(s, v, w, d);
    return s;
}
inline std::string A(std::string_view text, int w, int declared = -1) {
    std::string s;
    put_a(s, text, w, declared);
    return s;
}
inline std::string X(int n) { return std::string(n > 0 ? n : 0, ' '); }

// A field of a value block: Iw, Fw.d or Ew.d, with or without one blank before it.
struct Field {
    enum Kind { i, f, e };
    Kind kind = f;
    int w = 0, d = 0;
    bool blank = false;
    static constexpr Field I(int w, bool blank = false) { return {i, w, 0, blank}; }
    static constexpr Field F(int w, int d, bool blank = false) { return {f, w, d, blank}; }
    static constexpr Field E(int w, int d, bool blank = false) { return {e, w, d, blank}; }
};

// Writes a stream of values in one field, reusing the text of a repeated
// value: grids hold long runs of zeros and equal fractions.
class FieldStream {
  public:
    explicit FieldStream(Field f) : f_(f) {}
    // Append v's field to out. Between the calls on one stream, out is only
    // appended to (its last field is copied when the value repeats).
    void put(std::string& out, float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        if (have_ && bits == bits_) return repeat(out);
        start(out, bits);
        switch (f_.kind) {
            case Field::i:
                put_i(out, static_cast<long long>(v), f_.w);
                break;
            case Field::f:
                put_f(out, v, f_.w, f_.d);
                break;
            case Field::e:
                put_e(out, v, f_.w, f_.d);
                break;
        }
        len_ = out.size() - at_;
    }
    void put(std::string& out, int v) {
        if (f_.kind != Field::i) return put(out, static_cast<float>(v));
        const auto bits = static_cast<std::uint32_t>(v);
        if (have_ && bits == bits_) return repeat(out);
        start(out, bits);
        put_i(out, v, f_.w);
        len_ = out.size() - at_;
    }

  private:
    void start(std::string& out, std::uint32_t bits) {
        at_ = out.size();
        if (f_.blank) out.push_back(' ');
        bits_ = bits;
        have_ = true;
    }
    // The last field again, copied from out itself: a fixed 16 bytes moved
    // at once when it is that short.
    void repeat(std::string& out) {
        if (len_ > 16 || at_ + len_ > out.size()) {
            const std::size_t from = at_;
            at_ = out.size();
            out.append(out, from, len_);
            return;
        }
        const std::size_t from = at_;
        at_ = out.size();
        out.append(16, ' ');
        char word[16];
        std::memcpy(word, out.data() + from, sizeof word);
        std::memcpy(out.data() + at_, word, sizeof word);
        out.resize(at_ + len_);
    }

    Field f_;
    bool have_ = false;
    std::uint32_t bits_ = 0;
    std::size_t at_ = 0, len_ = 0;  // where the last field starts in out, and its length
};

// Fixed-point text with `decimals` digits and no padding (free-format
// fields); a negative value that rounds to zero is written without its sign.
void put_fixed(std::string& out, double v, int decimals);

}  // namespace field
