#pragma once
// The library's logging facade. Records go to the sink installed by the program; the tool
// installs none, so nothing is printed and no message text is even built.

#include <fmt/format.h>

#include <string_view>

namespace tessary::log {

using Sink = void (*)(std::string_view level, std::string_view target, std::string_view message);

void set_sink(Sink sink);
Sink sink();

template <typename... Args>
void warn(std::string_view target, fmt::format_string<Args...> f, Args&&... args) {
  if (Sink s = sink()) s("WARN", target, fmt::format(f, std::forward<Args>(args)...));
}

}  // namespace tessary::log
