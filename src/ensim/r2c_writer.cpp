#include "ensim/r2c_writer.hpp"

#include <cstdio>
#include <ctime>

#include "common/text.hpp"

namespace {

const std::string kHashLine = padded("#", 40);

std::string key20(std::string_view key) { return padded(key, 20); }

}  // namespace

std::string creation_date() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d  %02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
    return buf;
}

void write_r2c_opening(R2cWriter& out) {
    out.line("########################################");
    out.line(padded(":FileType r2c  ASCII  EnSim 1.0", 40));
    out.line(kHashLine);
    out.line(padded("# DataType               2D Rect Cell", 40));
    out.line(kHashLine);
}

void write_grid_header(R2cWriter& out, const GridHeader& gh, int classes) {
    using namespace field;
    write_r2c_opening(out);
    out.line(padded(":Application             TALVIREN", 40));
    out.line(padded(":Version                 2.1.23", 40));
    out.line(key20(":WrittenBy") + A(gh.author, 40));
    out.line(key20(":Weight used") + I(gh.weight, 16));
    out.line(key20(":CreationDate") + creation_date());
    out.line(kHashLine);
    out.line("#---------------------------------------");
    out.line(kHashLine);
    out.line(key20(":Name") + A(gh.name, 40));
    out.line(kHashLine);
    out.line(key20(":Projection") + A(projection_name(gh.projection), 10));
    // The ellipsoid line of a "LatLong" grid never appears: the reader has
    // written that projection in capitals.
    if (gh.projection == Projection::utm) {
        out.line(key20(":Ellipsoid") + A(gh.datum1, 10));
        out.line(key20(":Zone") + I(gh.zone, 16));
    }
    out.line(kHashLine);
    out.line(key20(":xOrigin") + F(gh.xorigin, 16, 4));
    out.line(key20(":yOrigin") + F(gh.yorigin, 16, 4));
    out.line(kHashLine);
    out.line(key20(":SourceFile") + X(10) + A(gh.source_file, 30));
    out.line(kHashLine);
    for (int k = 1; k <= classes; ++k) out.line(":AttributeName" + I(k, 5) + " Class" + I(k, 5));
    out.line(kHashLine);
    out.line(key20(":xCount") + I(gh.xcount, 16));
    out.line(key20(":yCount") + I(gh.ycount, 16));
    out.line(key20(":xDelta") + F(gh.xdelta, 16, 4));
    out.line(key20(":yDelta") + F(gh.ydelta, 16, 4));
    out.line(kHashLine);
    out.line(key20(":SampleTime") + A(gh.sample_date, 10) + "  " + A(gh.sample_time, 10));
    out.line(kHashLine);
    if (gh.unit_conversion != 0) out.line(key20(":UnitConversion") + F(gh.unit_conversion, 16, 4));
    out.line(kHashLine);
    out.line(padded(":endHeader", 40));
}
