// The r2s grid reader.
#include "ensim/r2s_reader.hpp"
#include "ensim/r2s_reader_header.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::enter_work_folder();
    std::string text = fuzz::as_text(data, size);
    {
        // Grids larger than this only measure the allocator.
        TextReader probe(text, "dem.r2s");
        R2sHeader h = scan_r2s_header(probe, {});
        if (static_cast<double>(h.xcount) * h.ycount > 1e6) return 0;
    }
    fuzz::write_file("dem.r2s", text);
    fuzz::QuietRun q;
    fuzz::guarded([&] { read_r2s("dem.r2s", 99, q.run); });
    return 0;
}
