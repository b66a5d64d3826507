#pragma once
// Standard output for handlers: text gathers in one large buffer and leaves in big writes, so a
// million-line listing costs no per-line flush.

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tessary::app {

class Output {
  // Room a built line may scribble on past its promised size (see LineBuilder::left).
  static constexpr size_t kSlack = 32;

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
    LineBuilder& text(std::string_view s) {
      assert(limit_ - p_ >= static_cast<ptrdiff_t>(s.size()));
      std::memcpy(p_, s.data(), s.size());
      p_ += s.size();
      return *this;
    }
    // A literal: its length is known here, so the copy compiles to a few moves.
    template <size_t N>
    LineBuilder& text(const char (&s)[N]) {
      assert(limit_ - p_ >= static_cast<ptrdiff_t>(N - 1));
      std::memcpy(p_, s, N - 1);
      p_ += N - 1;
      return *this;
    }
    // Upper-case hexadecimal, zero-padded to at least `min_digits` (at most 16).
    LineBuilder& hex(uint64_t v, int min_digits) {
      const int digits =
          std::max({1, (static_cast<int>(std::bit_width(v)) + 3) / 4, std::min(min_digits, 16)});
      assert(limit_ - p_ >= digits);
      // A byte at a time: a listing prints three 8-digit numbers on each of a million lines.
      char* q = p_ + digits;
      for (int left = digits; left >= 2; left -= 2, v >>= 8) {
        q -= 2;
        std::memcpy(q, &kHexPairs[2 * (v & 0xFF)], 2);
      }
      if (digits % 2 != 0) *--q = kHexPairs[2 * (v & 0xF) + 1];
      p_ += digits;
      return *this;
    }
    // Left-aligned, padded with blanks to at least `width`; never cut.
    LineBuilder& left(std::string_view s, size_t width) {
      text(s);
      if (s.size() < width) {
        const size_t pad = width - s.size();
        assert(static_cast<size_t>(limit_ - p_) >= pad);
        if (pad <= kSlack) {
          // One fixed-size copy; the blanks past `pad` land in the slack and are overwritten.
          std::memcpy(p_, kBlanks, kSlack);
          p_ += pad;
        } else {
          p_ = std::fill_n(p_, pad, ' ');
        }
      }
      return *this;
    }
    LineBuilder& left(uint64_t n, size_t width) {
      const fmt::format_int digits(n);
      return left(std::string_view(digits.data(), digits.size()), width);
    }
    // Ends the line with a line feed and hands it to the output.
    void end();

   private:
    friend class Output;
    static constexpr char kBlanks[kSlack + 1] = "                                ";
    // "000102...FEFF": the two digits of every byte.
    static constexpr std::array<char, 512> kHexPairs = [] {
      std::array<char, 512> pairs{};
      for (size_t i = 0; i < 256; ++i) {
        pairs[2 * i] = "0123456789ABCDEF"[i >> 4];
        pairs[2 * i + 1] = "0123456789ABCDEF"[i & 0xF];
      }
      return pairs;
    }();
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
  // Output that cannot be written is dropped; the first failure's errno stays in write_error()
  // so the run can report it instead of claiming success.
  void flush();
  int write_error() const { return write_error_; }

 private:
  static constexpr size_t kFlushAt = 1 << 20;
  int fd_;
  int write_error_ = 0;
  fmt::memory_buffer buf_;
};

}  // namespace tessary::app
