#pragma once
// The projection of a map: the one place where its text is interpreted.
//
// The map header accepts a projection whose text starts with "UTM",
// "CARTESIAN", "LATLONG" or "LatLong" (after "LatLong" and "Cartesian" are
// written in capitals). The stages after it do not all read it alike, and
// each keeps its own rule:
//   - cell sizes are metres for the UTM and CARTESIAN families (`metric`);
//   - the written files compare the whole field with the three names
//     (`named`: only an exact "UTM", "CARTESIAN" or "LATLONG");
//   - the latitude rule of the parameter checks looks at the first letters
//     (`starts_with_name`).
#include <optional>
#include <string>
#include <string_view>

enum class Projection { utm, cartesian, latlong };

// "UTM", "CARTESIAN" or "LATLONG".
constexpr std::string_view projection_name(Projection p) {
    return p == Projection::utm ? "UTM" : p == Projection::cartesian ? "CARTESIAN" : "LATLONG";
}

struct MapProjection {
    Projection family = Projection::utm;
    std::string text = "unknown";  // as the header gave it, normalised; written as A10

    bool metric() const { return family != Projection::latlong; }
    // The whole field is this projection's name.
    bool named(Projection p) const { return text == projection_name(p); }
    // The field starts with this projection's name.
    bool starts_with_name(Projection p) const {
        return std::string_view(text).substr(0, projection_name(p).size()) == projection_name(p);
    }
};

// The map header's reading of a projection text: "LatLong" and "Cartesian"
// become capitals; nothing when the text is of none of the three families.
std::optional<MapProjection> parse_map_projection(std::string text);

// The reading of the r2s files (nca.r2s, dem.r2s): after the same
// normalisation only the three exact names are accepted.
std::optional<Projection> parse_r2s_projection(std::string_view text);
