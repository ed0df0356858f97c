#include "common/console.hpp"

#include <istream>
#include <ostream>

#include "common/stop.hpp"

void Console::say(std::string_view line) {
    out_ << line << '\n';
}

void Console::wait(std::string_view prompt) {
    say(prompt);
    out_.flush();
    std::string ignored;
    if (!ended_ && !std::getline(in_, ignored)) ended_ = true;
}

std::string Console::ask(std::string_view question) {
    out_.flush();
    std::string answer;
    if (ended_ || !std::getline(in_, answer)) {
        ended_ = true;
        stop_lines({"The input ended while waiting for an answer to: " + std::string(question),
                    "Answer the question, or run in a folder with a complete zel_responses.txt",
                    " Program aborted"});
    }
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    return answer;
}

bool Console::read_line(std::string& line) {
    out_.flush();
    line.clear();
    if (ended_ || !std::getline(in_, line)) {
        ended_ = true;
        line.clear();
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

void Console::checkpoint(int iopt, int wanted_level, int number) {
    if (iopt == wanted_level) wait(std::to_string(number));
}
