#include "driver/dry_run.hpp"

#include <span>

#include "common/output_file.hpp"
#include "driver/responses.hpp"

std::vector<std::string> DryRun::printed() {
    std::vector<std::string> lines;
    std::istringstream s(out_.str());
    for (std::string l; std::getline(s, l);) lines.push_back(l);
    out_.str("");
    return lines;
}

std::optional<Responses> DryRun::saved_answers(std::string& why, std::optional<Stop>& stopped) {
    std::string text;
    int error = 0;
    if (!file_exists(kResponsesFile)) {
        why = "there is no zel_responses.txt: a run would ask its questions";
        return std::nullopt;
    }
    if (!read_whole_file(kResponsesFile, text, error)) {
        why = "zel_responses.txt cannot be read";
        return std::nullopt;
    }
    TextReader file(std::move(text), kResponsesFile);
    std::string_view line;
    std::string first;
    Target t = as_text(first);
    if (!file.next_line(line) || !parse_fields(line, std::span<const Target>(&t, 1)) ||
        first.compare(0, 9, "version_#") != 0) {
        why = "zel_responses.txt is of an older layout: a run would ask its questions again";
        return std::nullopt;
    }
    Responses r;
    stopped = attempt([&] { r = read_saved_answers(con_); });
    if (stopped) return std::nullopt;
    return r;
}

bool DryRun::load_map(const std::string& name, std::string& problem) {
    int error = 0;
    if (!readable_file(name) || !map.load(name, error)) {
        problem = "the map file " + name + " cannot be read";
        return false;
    }
    return true;
}
