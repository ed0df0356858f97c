// The parameter file parser and its checks, for a small basin of 6 land-cover
// classes and 3 river classes.
#include "fuzz_support.hpp"
#include "parfile/read_par.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::enter_work_folder();
    fuzz::write_file("basin_par.csv", std::string_view(reinterpret_cast<const char*>(data), size));
    Run run;
    run.hdr.projection = "UTM";
    run.hdr.xorigin = 500000;
    run.hdr.yorigin = 5000000;
    run.hdr.xcount = 4;
    run.hdr.ycount = 3;
    run.hdr.xdelta = run.hdr.ydelta = 1000;
    run.hdr.ntype = 5;
    run.nrvr = 3;
    run.na = 6;
    run.naa = 5;
    run.cells.row = {0, 2, 2, 2, 3, 3, 1};
    run.cells.col = {0, 1, 2, 3, 2, 3, 3};
    run.cells.iak = {0, 1, 2, 3, 1, 2, 0};
    run.cells.int_slope.assign(7, 0.01f);
    fuzz::QuietConsole q;
    fuzz::guarded([&] { read_par_parser(run, q.con, 2, "basin_par.csv"); });
    return 0;
}
