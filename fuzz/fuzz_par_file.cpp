// The parameter file parser and its checks, for a small basin of 6 land-cover
// classes and 3 river classes.
#include "fuzz_support.hpp"
#include "mapfile/map_input.hpp"
#include "parfile/read_par.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::enter_work_folder();
    fuzz::write_file("basin_par.csv", std::string_view(reinterpret_cast<const char*>(data), size));
    static const MapHeader hdr = [] {
        MapHeader h;
        h.projection = *parse_map_projection("UTM");
        h.xorigin = 500000;
        h.yorigin = 5000000;
        h.xcount = 4;
        h.ycount = 3;
        h.xdelta = h.ydelta = 1000;
        h.ntype = 5;
        return h;
    }();
    static const std::vector<int> row = {0, 2, 2, 2, 3, 3, 1};
    static const std::vector<int> iak = {0, 1, 2, 3, 1, 2, 0};
    ParBasin basin;
    basin.classcount = 6;
    basin.nrvr = 3;
    basin.na = 6;
    basin.naa = 5;
    basin.row = &row;
    basin.iak = &iak;
    basin.hdr = &hdr;
    fuzz::QuietRun q;
    fuzz::guarded([&] { read_par_parser("basin_par.csv", basin, 2, q.run); });
    return 0;
}
