#include <iostream>
#include <string>
#include <vector>

#include "common/big_memory.hpp"
#include "common/console.hpp"
#include "common/output_file.hpp"
#include "common/output_set.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "driver/check.hpp"
#include "driver/locate.hpp"
#include "driver/options.hpp"
#include "driver/run_zel.hpp"

namespace {

// A normal ending: the outputs take their final names, and those an earlier
// run left that this one did not write go, each named.
void publish_outputs(Run& run, Stop& ending) {
    const std::vector<std::string> failed = run.outputs.publish();
    if (!failed.empty()) {
        ending = Stop{{"Unable to give " + failed.front() + " its name", " Program ZEL aborted"},
                      StopKind::error};
        return;
    }
    std::vector<std::string> written = run.outputs.published();
    if (run.error_log.is_open()) written.push_back(run.error_log.name());
    for (const std::string& name : remove_stale_outputs(written))
        run.con.say("Removed " + name + ": left by an earlier run, not written by this one");
}

// The last lines of the run log: how the run ended.
void log_ending(Run& run, const Stop& ending) {
    if (!run.log.is_open()) return;
    run.log_line();
    run.log_line("The run ended:");
    for (const auto& line : ending.lines) run.log_line(line);
    run.log_line("Exit status: " + std::to_string(ending.exit_status()));
}

int run_in_folder(Console& con, int iopt) {
    Run run(con, iopt);
    Stop ending;
    try {
        run_zel(run);
    } catch (const Stop& s) {
        ending = s;
    } catch (const std::bad_alloc&) {
        ending = Stop{{"**Allocation failed: not enough memory for this basin**"}, StopKind::error};
    } catch (const std::exception& e) {
        ending = Stop{{std::string("Program aborted: ") + e.what()}, StopKind::error};
    }
    if (ending.kind == StopKind::normal) publish_outputs(run, ending);
    for (const auto& line : ending.lines) con.say(line);
    if (ending.kind != StopKind::normal) {
        std::cout.flush();
        for (const auto& line : ending.lines) std::cerr << line << '\n';
    }
    // The run log and the drainage-error log are kept whatever the ending.
    log_ending(run, ending);
    if (run.log.is_open()) run.log.commit();
    if (run.error_log.is_open()) run.error_log.commit();
    return ending.exit_status();
}

}  // namespace

int main(int argc, char** argv) {
    // Fresh pages are costly on continental grids; huge ones cost 1/512 as many faults.
    prefer_huge_pages(argv);
    keep_freed_memory();
    std::ios::sync_with_stdio(false);
    std::cin.tie(&std::cout);
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const Options options = parse_options(args);
    switch (options.mode) {
        case Options::Mode::help:
            std::cout << usage_text();
            return 0;
        case Options::Mode::version:
            std::cout << version_text();
            return 0;
        case Options::Mode::misuse:
            std::cerr << "zel: " << options.problem << "\n\n" << usage_text();
            return 2;
        case Options::Mode::check:
        case Options::Mode::locate: {
            Console con(std::cin, std::cout);
            const int status = options.mode == Options::Mode::check ? check_basin_folder(con)
                                                                    : locate_cell(con, options);
            std::cout.flush();
            return status;
        }
        case Options::Mode::run:
            break;
    }
    remove_temporaries_on_interrupt();
    Console con(std::cin, std::cout);
    int status = 1;
    try {
        status = run_in_folder(con, options.iopt);
    } catch (const std::exception& e) {
        con.say(std::string("Program aborted: ") + e.what());
    }
    std::cout.flush();
    return status;
}
