#pragma once
// The vocabulary of the parameter file: its sections and, per section, the
// keywords in the order they are tested (the first match wins).
#include <cstddef>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

#include "common/parameter_set.hpp"

namespace parfile {

using P = ParameterSet;

// Where the values of a keyword line go. Scalars take one value; lists take
// one value per class (or river class) of the section, stored at
// stride * class + offset.
struct Dest {
    std::variant<int P::*, float P::*, std::vector<int> P::*, std::vector<float> P::*,
                 std::vector<std::string> P::*>
        member;
    int stride = 1;
    int offset = 0;
};

// Work that goes with a keyword beyond storing its values.
enum class Action {
    none,
    river_classes,       // compare with the river classes of the basin
    land_cover_classes,  // compare with the land-cover classes of the run
    sublim_factor,       // sublimation mode 1
    sublim_rate,         // sublimation mode 2: rates per hour, factors 0
};

struct Keyword {
    std::string_view match;  // the line's first `length` characters must equal it
    std::size_t length;
    Dest dest;
    Action action = Action::none;
};

enum class PerLine { one, per_class, per_river };

struct Section {
    std::string_view start, end;  // marker lines
    PerLine per;
    std::span<const Keyword> keywords;
    std::string_view error_message;  // empty: reported with the next section
    std::string_view abort_message;
};

// The 13 sections in the order they are read.
std::span<const Section> sections();

enum SectionIndex {
    kGlobal = 0,
    kRouting,
    kHydro,
    kSnow,
    kInterception,
    kMonthlyEvap,
    kOptimization,
    kApiLimits,
    kHydroLimits,
    kGlobalSnowLimits,
    kSnowLimits,
    kRoutingLimits,
    kGlobalLimits,
    kSectionCount
};

// Whether `line` holds `kw` in column 1 over the keyword's match length.
inline bool matches(std::string_view line, std::string_view text, std::size_t length) {
    return line.size() >= length && line.substr(0, length) == text.substr(0, length);
}

}  // namespace parfile
