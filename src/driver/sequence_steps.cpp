// Placeholder: replaced by the real stage.
#include "driver/run_zel.hpp"
#include "common/stop.hpp"

int iopt_from_args(const std::vector<std::string>& args) {
    if (args.empty()) return -1;
    return args[0].size() == 1 ? 0 : static_cast<int>(args[0].size());
}
void start_up(Run&, Console&) {}
void obtain_answers(Run&, Console&) {}
void open_files(Run&, Console&) {}
void read_parameter_file(Run&, Console&) {}
void ending(Run&, Console&) { stop_normal(" Normal ending"); }
