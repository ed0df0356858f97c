#pragma once
// Shared pieces of the fuzz targets: a private working folder (the readers
// look for files by fixed names in the current folder), a console with no
// input, and a guard that lets the program's own stops through.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

#include "common/console.hpp"
#include "common/free_format.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"

namespace fuzz {

// Move into a fresh temporary folder once per process.
inline void enter_work_folder() {
    static bool done = false;
    if (done) return;
    char templ[] = "/tmp/zel_fuzz_XXXXXX";
    if (!::mkdtemp(templ) || ::chdir(templ) != 0) {
        std::perror("zel fuzz: cannot make a working folder");
        std::abort();
    }
    done = true;
}

inline void write_file(const char* name, std::string_view text) {
    std::FILE* f = std::fopen(name, "wb");
    if (!f) std::abort();
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
    std::fclose(f);
}

inline void remove_file(const char* name) {
    std::remove(name);
}

inline std::string as_text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A run whose console has no input (waits go on, questions stop the run)
// and whose output stays in memory.
struct QuietRun {
    std::istringstream in{std::string()};
    std::ostringstream out;
    Console con{in, out};
    Run run{con};
};

// Run `body`; a stop of the program's own (an error or a normal ending) is an
// accepted outcome. Anything else escaping is a finding.
template <class F>
void guarded(F&& body) {
    try {
        body();
    } catch (const Stop&) {
    }
}

}  // namespace fuzz
