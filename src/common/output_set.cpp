#include "common/output_set.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

bool OutputSet::finish(OutputFile& file) {
    if (!file.finish()) return false;
    files_.push_back(std::move(file));
    return true;
}

std::vector<std::string> OutputSet::publish() {
    std::vector<std::string> failed;
    for (OutputFile& f : files_) {
        if (f.publish())
            published_.push_back(f.name());
        else
            failed.push_back(f.name());
    }
    files_.clear();
    return failed;
}

const std::vector<std::string>& zel_output_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n = {"new_shd.r2c",     "new_ch_par.r2c", "elv_means.r2c",
                                      "elv_max.r2c",     "tvo_spec.new",   "new.pdl",
                                      "nca.xyz",         "1D_reach_locations.xyz",
                                      "new_format.shd",  "old_format.shd", "ssdata.out",
                                      "fort.39",         "zel_overview.svg"};
        char name[32];
        for (int p = 1; p <= 10; ++p) {
            std::snprintf(name, sizeof name, "profil%02d.dat", p);
            n.push_back(name);
            std::snprintf(name, sizeof name, "river%02d.xyz", p);
            n.push_back(name);
        }
        return n;
    }();
    return names;
}

std::vector<std::string> remove_stale_outputs(const std::vector<std::string>& written) {
    std::vector<std::string> removed;
    for (const std::string& name : zel_output_names()) {
        if (std::find(written.begin(), written.end(), name) != written.end()) continue;
        struct stat st {};
        // Only plain files: a folder of that name is the user's own business.
        if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (std::remove(name.c_str()) == 0) removed.push_back(name);
    }
    return removed;
}
