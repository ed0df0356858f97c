#pragma once
// The stages run for a check or a query (zel --check, zel --locate): on a
// console that hears nothing (every wait goes on, a question stops) and
// keeps what the stages print, with nothing written to the folder.
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/console.hpp"
#include "common/free_format.hpp"
#include "common/responses.hpp"
#include "common/run.hpp"
#include "common/stop.hpp"

class DryRun {
  public:
    DryRun() { run.dry = true; }

    // Run `stage`; a stop comes back as its lines.
    template <class F>
    std::optional<Stop> attempt(F&& stage) {
        try {
            stage();
        } catch (const Stop& s) {
            return s;
        }
        return std::nullopt;
    }
    // The lines the stages printed since the last call.
    std::vector<std::string> printed();

    // The saved answers, when zel_responses.txt is of version 4; otherwise
    // nothing, and `why` says what the run would do instead.
    std::optional<Responses> saved_answers(std::string& why, std::optional<Stop>& stopped);
    // The map file named by the answers, read whole; false with a message.
    bool load_map(const std::string& name, std::string& problem);

    TextReader map;

  private:
    std::istringstream in_{std::string()};
    std::ostringstream out_;
    Console con_{in_, out_};

  public:
    Run run{con_};
};
