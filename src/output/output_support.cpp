#include "output/output_support.hpp"

#include <cstdio>
#include <ctime>

#include "common/run.hpp"
#include "common/stop.hpp"

namespace out {

bool open_optional(OutputFile& file, const std::string& name, Console& con) {
    if (file.open(name)) return true;
    con.say(" unable to open a new " + name + " file");
    con.say(" program not aborted but file not written");
    con.say();
    return false;
}

std::string created_stamp() {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d  %02d-%02d-%04d", t.tm_hour, t.tm_min, t.tm_sec,
                  t.tm_mday, t.tm_mon + 1, t.tm_year + 1900);
    return buf;
}

void commit_or_stop(OutputFile& file, Run& run) {
    if (!run.outputs.finish(file))
        stop_lines({" Problems writing the " + file.name() + " file ",
                    " error code = " + std::to_string(file.error_code()), " Program ZEL aborted"});
}

void commit_or_stop(R2cWriter& file, Run& run) { commit_or_stop(file.file(), run); }

}  // namespace out
