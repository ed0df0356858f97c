#pragma once
// The field notation of every fixed-width file layout: Iw, Fw.d, Ew.d, Aw, nX.
//
// A number that does not fit its field is written as w asterisks. Fw.d drops
// the leading zero of a value below 1 only when it does not fit otherwise;
// Ew.d writes 0.ddd...E+ee and drops the leading zero when one character
// short. Rounding is to nearest on the exact binary value, ties away from
// zero; a negative value that rounds to zero is written without its sign.
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

}  // namespace field
