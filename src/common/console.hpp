#pragma once
// All console traffic of a run: lines out, waits for Enter, answers in.
#include <iosfwd>
#include <string>
#include <string_view>

#include "common/text.hpp"

class Console {
public:
    Console(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

    // Print one line.
    void say(std::string_view line = {});
    // Print the pieces as one line (see `words`).
    template <class... Parts>
    void line(const Parts&... parts) {
        say(words(parts...));
    }
    // Print `prompt` as a line, then read one line and ignore it. At the end of
    // the input the run simply goes on, so batch runs replay saved answers.
    void wait(std::string_view prompt);
    // Read one answer line for `question` (a short description used in the
    // message when the input has ended). At the end of the input the run
    // stops with a clear message.
    std::string ask(std::string_view question);
    // Read one line where the end of the input has a default answer: false at
    // the end of the input, and the run goes on.
    bool read_line(std::string& line);
    // Debug checkpoint: with iopt 1 or 2 the run waits with the checkpoint's number.
    void checkpoint(int iopt, int wanted_level, int number);

    bool input_ended() const { return ended_; }
    std::ostream& out() { return out_; }

private:
    std::istream& in_;
    std::ostream& out_;
    bool ended_ = false;
};
