#include "app_error.hpp"

#include <fmt/format.h>

namespace tessary::app {

namespace {

void append_cause(std::string& out, std::string_view prefix, std::string_view indent,
                  std::string_view message) {
  out += prefix;
  size_t start = 0;
  for (;;) {
    size_t end = message.find('\n', start);
    out += message.substr(start, end == std::string_view::npos ? end : end - start);
    out += '\n';
    if (end == std::string_view::npos) break;
    start = end + 1;
    out += indent;
  }
}

}  // namespace

std::string AppError::report() const {
  std::string out = "Error: " + chain_.front() + "\n";
  if (chain_.size() == 1) return out;
  out += "\nCaused by:\n";
  if (chain_.size() == 2) {
    append_cause(out, "    ", "    ", chain_[1]);
  } else {
    for (size_t i = 1; i < chain_.size(); ++i)
      append_cause(out, fmt::format("{:>5}: ", i - 1), "       ", chain_[i]);
  }
  return out;
}

}  // namespace tessary::app
