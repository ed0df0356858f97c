#include "common/projection.hpp"

std::optional<MapProjection> parse_map_projection(std::string text) {
    if (text == "LatLong") text = "LATLONG";
    if (text == "Cartesian") text = "CARTESIAN";
    const std::string_view t = text;
    MapProjection p;
    if (t.substr(0, 3) == "UTM")
        p.family = Projection::utm;
    else if (t.substr(0, 9) == "CARTESIAN")
        p.family = Projection::cartesian;
    else if (t.substr(0, 7) == "LATLONG" || t.substr(0, 7) == "LatLong")
        p.family = Projection::latlong;
    else
        return std::nullopt;
    p.text = std::move(text);
    return p;
}

std::optional<Projection> parse_r2s_projection(std::string_view text) {
    if (text == "UTM") return Projection::utm;
    if (text == "CARTESIAN" || text == "Cartesian") return Projection::cartesian;
    if (text == "LATLONG" || text == "LatLong") return Projection::latlong;
    return std::nullopt;
}
