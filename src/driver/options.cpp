#include "driver/options.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

int iopt_from_args(const std::vector<std::string>& args) {
    if (args.empty()) return -1;
    return args[0].size() == 1 ? 0 : static_cast<int>(args[0].size());
}

namespace {

bool number(const std::string& text, double& v) {
    if (text.empty()) return false;
    char* end = nullptr;
    v = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(v);
}

Options misuse(std::string problem) {
    Options o;
    o.mode = Options::Mode::misuse;
    o.problem = std::move(problem);
    return o;
}

Options parse_command_line(const std::vector<std::string>& args) {
    Options o;
    auto is_option = [](const std::string& a) { return a.size() >= 2 && a.compare(0, 2, "--") == 0; };
    if (std::none_of(args.begin(), args.end(), is_option)) return o;
    const std::string& first = args.front();
    const std::size_t n = args.size();
    if (first == "--help" || first == "--version" || first == "--check") {
        if (n > 1) return misuse(first + " takes no other arguments");
        o.mode = first == "--help"      ? Options::Mode::help
                 : first == "--version" ? Options::Mode::version
                                        : Options::Mode::check;
        return o;
    }
    if (first == "--locate") {
        if (n != 3 && n != 5) return misuse("--locate takes X Y [--radius R]");
        if (!number(args[1], o.x) || !number(args[2], o.y))
            return misuse("--locate needs two numbers, the map coordinates X Y");
        if (n == 5) {
            if (args[3] != "--radius") return misuse("unknown option " + args[3]);
            if (!number(args[4], o.radius) || o.radius < 0)
                return misuse("--radius needs a distance of 0 or more");
            o.has_radius = true;
        }
        o.mode = Options::Mode::locate;
        return o;
    }
    const std::string& option = *std::find_if(args.begin(), args.end(), is_option);
    for (const char* known : {"--help", "--version", "--check", "--locate"})
        if (option == known) return misuse(option + " must be the first argument");
    return misuse("unknown option " + option);
}

}  // namespace

Options parse_options(const std::vector<std::string>& args) {
    Options o = parse_command_line(args);
    o.iopt = iopt_from_args(args);
    return o;
}

std::string version_text() { return "zel 10.9 (revised Mar. 06, 2016)\n"; }

std::string usage_text() {
    return R"(Usage: zel [LEVEL]
       zel --check
       zel --locate X Y [--radius R]
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
  --check     check the basin folder before a run: the saved answers, the map
              file, the parameter file and the headers of dem.r2s and nca.r2s;
              each finding with its file and line; nothing is written
  --locate X Y [--radius R]
              number the basin as a run would and show the cell at the map
              point (X, Y), then the river cell with the largest drainage
              area within R (map units; default two cell sides), as an
              outlet line for zel_responses.txt; nothing is written
  --help      print this text and exit
  --version   print the version and exit
Any other argument sets the debug level: its length (zel 22 gives level 2).

Exit status: 0 for a normal ending, 1 when the run stopped on an error (or a
check found problems, or --locate found no cell), 2 for a command line ZEL
does not understand.
)";
}
