// zel_responses.txt, the saved answers.
#include "driver/responses.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::enter_work_folder();
    static bool prepared = false;
    if (!prepared) {
        // Names the corpus refers to, so the reader gets past its existence checks.
        fuzz::write_file("zelm.map", ":FileType map\n");
        fuzz::write_file("basin_par.csv", "#\n");
        fuzz::write_file("nca.r2s", "#\n");
        prepared = true;
    }
    fuzz::write_file(kResponsesFile, std::string_view(reinterpret_cast<const char*>(data), size));
    fuzz::QuietRun q;
    fuzz::guarded([&] { read_saved_answers(q.con); });
    return 0;
}
