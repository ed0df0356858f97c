#include "common/stop.hpp"

void stop(std::string message) { throw Stop{{std::move(message)}, StopKind::error}; }

void stop_lines(std::vector<std::string> lines) { throw Stop{std::move(lines), StopKind::error}; }

void stop_normal(std::string message) { throw Stop{{std::move(message)}, StopKind::normal}; }
