#pragma once
// Small text helpers for console and run-log lines.
//
// Console and run-log lines that combine a text with values ("xcount= 40")
// are built with `words(...)`: the pieces are joined with one blank, except
// where a neighbouring piece already has a blank at the joint. Numbers are
// written in their shortest exact form (integers plainly; reals as the
// shortest text that reads back to the same single-precision value).
#include <charconv>
#include <concepts>
#include <string>
#include <string_view>
#include <type_traits>

inline std::string num(long long v) { return std::to_string(v); }
inline std::string num(int v) { return std::to_string(v); }
inline std::string num(unsigned long v) { return std::to_string(v); }
inline std::string num(unsigned long long v) { return std::to_string(v); }
inline std::string num(unsigned v) { return std::to_string(v); }
// Reals in plain notation where that stays short (500000, 0.25), with an
// exponent only for very small or very large magnitudes (1e-07).
inline std::string num(float v) {
    char buf[64];
    float mag = v < 0 ? -v : v;
    auto form = (mag == 0 || (mag >= 1e-4f && mag < 1e15f)) ? std::chars_format::fixed
                                                             : std::chars_format::general;
    auto r = std::to_chars(buf, buf + sizeof buf, v, form);
    return std::string(buf, r.ptr);
}
inline std::string num(double v) { return num(static_cast<float>(v)); }

namespace detail {
inline std::string piece(std::string_view s) { return std::string(s); }
inline std::string piece(const std::string& s) { return s; }
inline std::string piece(const char* s) { return std::string(s); }
inline std::string piece(char c) { return std::string(1, c); }
template <class T>
    requires std::is_arithmetic_v<T> && (!std::same_as<T, char>) && (!std::same_as<T, bool>)
inline std::string piece(T v) {
    return num(v);
}
inline void join(std::string& out, const std::string& p) {
    if (!out.empty() && !p.empty() && out.back() != ' ' && p.front() != ' ') out += ' ';
    out += p;
}
}  // namespace detail

template <class... Parts>
std::string words(const Parts&... parts) {
    std::string out;
    (detail::join(out, detail::piece(parts)), ...);
    return out;
}

// Text cut or blank-padded to exactly `width` characters.
inline std::string padded(std::string_view s, std::size_t width) {
    std::string out(s.substr(0, width));
    out.resize(width, ' ');
    return out;
}
// Text without trailing blanks.
inline std::string_view rtrim(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}
