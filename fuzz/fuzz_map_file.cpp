// The map file: header, grid blocks 1 to 7 and the land-cover classes.
#include "fuzz_support.hpp"
#include "mapfile/grid_blocks.hpp"
#include "mapfile/land_cover.hpp"
#include "mapfile/map_header.hpp"
#include "mapfile/map_input.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::enter_work_folder();  // empty: no class_combine file
    TextReader map(fuzz::as_text(data, size), "zelm.map");
    MapInput input;
    fuzz::QuietRun q;
    fuzz::guarded([&] {
        read_map_header(map, 0.0f, input, q.run);
        // Large grids are refused by allocate_grids on a real machine; here
        // they would only measure the allocator.
        const MapHeader& h = input.hdr;
        const double squares = static_cast<double>(h.xcount) * h.ycount;
        const double layers = h.ntype > 1 ? h.ntype + 1.0 : 2.0;
        if (squares > 1e6 || squares * layers > 4e6) return;
        allocate_grids(map, input, q.run);
        read_blocks_1_to_3(map, input, q.run);
        read_river_class_block(map, input, q.run);
        read_blocks_5_to_7(map, input, q.run);
        read_classes_and_combine(map, input, q.run);
    });
    return 0;
}
