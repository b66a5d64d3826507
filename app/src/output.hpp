#pragma once
// Standard output for handlers: text gathers in one large buffer and leaves in big writes, so a
// million-line listing costs no per-line flush.

#include <fmt/format.h>

#include <cassert>
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
  // One line written straight into the buffer, for listings of a million lines: room is made
  // once, then the pieces are copied without format-string parsing or per-piece checks.
  class LineBuilder {
   public:
    LineBuilder& text(std::string_view s);
    // Upper-case hexadecimal, zero-padded to at least `min_digits` (at most 16).
    LineBuilder& hex(uint64_t v, int min_digits);
    // Left-aligned, padded with blanks to at least `width`; never cut.
    LineBuilder& left(std::string_view s, size_t width);
    LineBuilder& left(uint64_t n, size_t width);
    // Ends the line with a line feed and hands it to the output.
    void end();

   private:
    friend class Output;
    LineBuilder(Output& out, char* p, char* limit) : out_(out), p_(p), limit_(limit) {}
    Output& out_;
    char* p_;
    char* limit_;  // the caller's promise; checked in debug builds
  };
  // Starts a line of at most `max_size` bytes, its line feed included.
  LineBuilder build_line(size_t max_size);

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
