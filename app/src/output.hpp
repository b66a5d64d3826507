#pragma once
// Standard output for handlers: text gathers in one large buffer and leaves in big writes, so a
// million-line listing costs no per-line flush.

#include <fmt/format.h>

#include <cstdint>
#include <string_view>

namespace tessary::app {

class Output {
 public:
  explicit Output(int fd = 1) : fd_(fd) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  ~Output() { flush(); }

  fmt::memory_buffer& buffer() { return buf_; }

  template <typename... Args>
  void line(fmt::format_string<Args...> f, Args&&... args) {
    fmt::format_to(std::back_inserter(buf_), f, std::forward<Args>(args)...);
    buf_.push_back('\n');
    maybe_flush();
  }
  void write(std::string_view text) {
    buf_.append(text);
    maybe_flush();
  }
  // Pieces of a line appended without format-string parsing, for listings of a million lines.
  // Finish the line with end_line().
  Output& text(std::string_view s) {
    buf_.append(s);
    return *this;
  }
  // Upper-case hexadecimal, zero-padded to at least `min_digits`.
  Output& hex(uint64_t v, int min_digits);
  // Left-aligned, padded with blanks to at least `width`; never cut.
  Output& left(std::string_view s, size_t width);
  Output& left(uint64_t n, size_t width);
  void end_line() {
    buf_.push_back('\n');
    maybe_flush();
  }

  void maybe_flush() {
    if (buf_.size() >= kFlushAt) flush();
  }
  // Output that cannot be written (a closed pipe) is dropped; the run's result does not change.
  void flush();

 private:
  static constexpr size_t kFlushAt = 1 << 20;
  int fd_;
  fmt::memory_buffer buf_;
};

}  // namespace tessary::app
