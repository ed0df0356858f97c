#include "driver/options.hpp"

#include <algorithm>

int iopt_from_args(const std::vector<std::string>& args) {
    if (args.empty()) return -1;
    return args[0].size() == 1 ? 0 : static_cast<int>(args[0].size());
}

Options parse_options(const std::vector<std::string>& args) {
    Options o;
    o.iopt = iopt_from_args(args);
    auto is_option = [](const std::string& a) { return a.size() >= 2 && a.compare(0, 2, "--") == 0; };
    if (std::none_of(args.begin(), args.end(), is_option)) return o;
    const std::string& first = *std::find_if(args.begin(), args.end(), is_option);
    if (args.size() == 1 && first == "--help") {
        o.mode = Options::Mode::help;
    } else if (args.size() == 1 && first == "--version") {
        o.mode = Options::Mode::version;
    } else {
        o.mode = Options::Mode::misuse;
        o.problem = first == "--help" || first == "--version"
                        ? first + " takes no other arguments"
                        : "unknown option " + first;
    }
    return o;
}

std::string version_text() { return "zel 10.9 (revised Mar. 06, 2016)\n"; }

std::string usage_text() {
    return R"(Usage: zel [LEVEL]
       zel --help | --version

ZEL prepares the watershed file of a basin for the TALVIREN models. It works
in the current folder, the basin folder: it reads the basin map (zelm.map,
or the name you give), and when present the parameter file (*.csv),
class_combine.csv or class_combine.txt, nca.r2s and dem.r2s. It writes
new_shd.r2c, new_ch_par.r2c, elv_means.r2c, elv_max.r2c, tvo_spec.new,
new.pdl, nca.xyz, 1D_reach_locations.xyz, the river profiles
profil01.dat .. profil10.dat and river01.xyz .. river10.xyz, the legacy
new_format.shd, old_format.shd and ssdata.out, the picture zel_overview.svg,
and the run log zel_info.txt.

The first run asks its questions and saves the answers in zel_responses.txt.
Later runs replay that file; to run unattended, give no input:
    zel < /dev/null
Every wait for Enter then goes on by itself.

Options:
  --help      print this text and exit
  --version   print the version and exit
Any other argument sets the debug level: its length (zel 22 gives level 2).

Exit status: 0 for a normal ending, 1 when the run stopped on an error,
2 for a command line ZEL does not understand.
)";
}
