// The map file: header, grid blocks 1 to 7 and the land-cover classes.
#include "fuzz_support.hpp"
#include "mapfile/grid_blocks.hpp"
#include "mapfile/land_cover.hpp"
#include "mapfile/map_header.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::enter_work_folder();  // empty: no class_combine file
    Run run;
    run.map = TextReader(fuzz::as_text(data, size), "zelm.map");
    fuzz::QuietConsole q;
    fuzz::guarded([&] {
        read_map_header(run, q.con);
        // Large grids are refused by allocate_grids on a real machine; here
        // they would only measure the allocator.
        const double squares = static_cast<double>(run.hdr.xcount) * run.hdr.ycount;
        const double layers = run.hdr.ntype > 1 ? run.hdr.ntype + 1.0 : 2.0;
        if (squares > 1e6 || squares * layers > 4e6) return;
        allocate_grids(run, q.con);
        read_blocks_1_to_3(run, q.con);
        read_river_class_block(run, q.con);
        read_blocks_5_to_7(run, q.con);
        read_classes_and_combine(run, q.con);
    });
    return 0;
}
