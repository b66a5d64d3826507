#include "output.hpp"

#include <unistd.h>

#include <cerrno>

namespace tessary::app {

Output& Output::hex(uint64_t v, int min_digits) {
  char digits[16];
  int n = 0;
  do {
    digits[15 - n++] = "0123456789ABCDEF"[v & 0xF];
    v >>= 4;
  } while (v != 0);
  for (int pad = n; pad < min_digits; ++pad)
    buf_.push_back('0');
  buf_.append(digits + 16 - n, digits + 16);
  return *this;
}

Output& Output::left(std::string_view s, size_t width) {
  buf_.append(s);
  for (size_t i = s.size(); i < width; ++i)
    buf_.push_back(' ');
  return *this;
}

Output& Output::left(uint64_t n, size_t width) {
  const fmt::format_int digits(n);
  return left(std::string_view(digits.data(), digits.size()), width);
}

void Output::flush() {
  size_t done = 0;
  while (done < buf_.size()) {
    ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  buf_.clear();
}

}  // namespace tessary::app
