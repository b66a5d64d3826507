#include "output.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tessary::app {

Output::LineBuilder Output::build_line(size_t max_size) {
  const size_t used = buf_.size();
  buf_.resize(used + max_size);
  return LineBuilder(*this, buf_.data() + used, buf_.data() + used + max_size);
}

Output::LineBuilder& Output::LineBuilder::text(std::string_view s) {
  assert(limit_ - p_ >= static_cast<ptrdiff_t>(s.size()));
  p_ = std::copy(s.begin(), s.end(), p_);
  return *this;
}

Output::LineBuilder& Output::LineBuilder::hex(uint64_t v, int min_digits) {
  char digits[16];
  char* const end = digits + sizeof digits;
  char* p = end;
  do {
    *--p = "0123456789ABCDEF"[v & 0xF];
    v >>= 4;
  } while (v != 0);
  while (end - p < min_digits && p > digits)
    *--p = '0';
  return text(std::string_view(p, end));
}

Output::LineBuilder& Output::LineBuilder::left(std::string_view s, size_t width) {
  text(s);
  if (s.size() < width) {
    assert(static_cast<size_t>(limit_ - p_) >= width - s.size());
    p_ = std::fill_n(p_, width - s.size(), ' ');
  }
  return *this;
}

Output::LineBuilder& Output::LineBuilder::left(uint64_t n, size_t width) {
  const fmt::format_int digits(n);
  return left(std::string_view(digits.data(), digits.size()), width);
}

void Output::LineBuilder::end() {
  text("\n");
  out_.buf_.resize(static_cast<size_t>(p_ - out_.buf_.data()));
  out_.maybe_flush();
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
