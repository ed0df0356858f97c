// class_combine.csv (version 2) and class_combine.txt (version 1), applied to
// the classes of the tiny example basin. The first byte picks the file: even
// for class_combine.csv, odd for class_combine.txt.
#include <fstream>
#include <sstream>

#include "fuzz_support.hpp"
#include "mapfile/grid_blocks.hpp"
#include "mapfile/land_cover.hpp"
#include "mapfile/map_header.hpp"
#include "mapfile/map_input.hpp"

#ifndef ZEL_TINY_MAP
#error "ZEL_TINY_MAP must name examples/tiny/zelm.map"
#endif

namespace {

const std::string& tiny_map() {
    static const std::string text = [] {
        std::ifstream in(ZEL_TINY_MAP, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        if (s.str().empty()) std::abort();
        return s.str();
    }();
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    fuzz::enter_work_folder();
    const bool csv = data[0] % 2 == 0;
    fuzz::remove_file("class_combine.csv");
    fuzz::remove_file("class_combine.txt");
    fuzz::write_file(csv ? "class_combine.csv" : "class_combine.txt",
                     std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    TextReader map(tiny_map(), "zelm.map");
    MapInput input;
    fuzz::QuietRun q;
    fuzz::guarded([&] {
        read_map_header(map, 0.0f, input, q.run);
        allocate_grids(map, input, q.run);
        read_blocks_1_to_3(map, input, q.run);
        read_river_class_block(map, input, q.run);
        read_blocks_5_to_7(map, input, q.run);
    });
    fuzz::guarded([&] { read_classes_and_combine(map, input, q.run); });
    return 0;
}
