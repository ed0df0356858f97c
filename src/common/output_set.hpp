#pragma once
// The output files of a run. Each is written whole under a temporary name
// and finished there; they take their final names together when the run ends
// normally, and vanish when it stops on an error, so an error leaves the
// folder as it was. After a normal ending every output of ZEL in the folder
// belongs to the run: those it did not write are removed.
#include <string>
#include <string_view>
#include <vector>

#include "common/output_file.hpp"

class OutputSet {
  public:
    // Finish `file` and keep it for publish(). False when it could not be
    // written (the file is gone then).
    bool finish(OutputFile& file);
    // Give every finished file its final name; the names that failed come back.
    std::vector<std::string> publish();
    // The names published so far.
    const std::vector<std::string>& published() const { return published_; }

  private:
    std::vector<OutputFile> files_;
    std::vector<std::string> published_;
};

// Every file a run may write besides the run log and the saved answers.
const std::vector<std::string>& zel_output_names();
// Remove the outputs of an earlier run that this run did not write; returns
// the names removed.
std::vector<std::string> remove_stale_outputs(const std::vector<std::string>& written);
