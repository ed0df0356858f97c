#include <iostream>
#include <string>
#include <vector>

#include "common/console.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"
#include "driver/run_zel.hpp"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::cin.tie(&std::cout);
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    Console con(std::cin, std::cout);
    int status = 1;
    try {
        Run run(con, iopt_from_args(args));
        try {
            run_zel(run);
        } catch (const Stop& s) {
            for (const auto& line : s.lines) con.say(line);
            status = s.exit_status();
        }
        // The run log and the drainage-error log are kept whatever the ending.
        if (run.log.is_open()) run.log.commit();
        if (run.error_log.is_open()) run.error_log.commit();
    } catch (const std::bad_alloc&) {
        con.say("**Allocation failed: not enough memory for this basin**");
        status = 1;
    } catch (const std::exception& e) {
        con.say(std::string("Program aborted: ") + e.what());
        status = 1;
    }
    std::cout.flush();
    return status;
}
