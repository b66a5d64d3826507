#pragma once
// Standard output for handlers: text gathers in one large buffer and leaves in big writes, so a
// million-line listing costs no per-line flush.

#include <absl/container/flat_hash_map.h>
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tessary::app {

// Text kept with readable room past its end, so a line copies it in whole strides of
// kStride bytes (see Output::LineBuilder). For the few pieces a listing repeats on every line: a
// type label with its padding, a namespace prefix.
class StridedText {
 public:
  static constexpr size_t kStride = 64;
  StridedText() : StridedText(std::string_view()) {}
  explicit StridedText(std::string_view s)
      : size_(s.size()), bytes_((s.size() / kStride + 1) * kStride, ' ') {
    std::ranges::copy(s, bytes_.begin());
  }
  const char* data() const { return bytes_.data(); }
  size_t size() const { return size_; }

 private:
  size_t size_;
  std::string bytes_;
};

class Output {
  // Room a built line may scribble on past its promised size (see LineBuilder::left).
  static constexpr size_t kSlack = StridedText::kStride;

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
  // Text of a buffer's size or more goes straight out after what is buffered, not copied through.
  void write(std::string_view text) {
    if (text.size() >= kDirectAt) {
      flush();
      write_out(text);
      return;
    }
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
    // Whole strides, no call to memcpy with a variable length: the overrun past the text's end
    // lands in the slack and is overwritten by what follows.
    LineBuilder& text(const StridedText& t);
    // Upper-case hexadecimal, zero-padded to at least `min_digits` (at most 16).
    LineBuilder& hex(uint64_t v, int min_digits) {
      // A listing prints two or three 8-digit numbers on each of a million lines.
      if (min_digits == 8 && v <= 0xFFFFFFFF) {
        assert(limit_ - p_ >= 8);
        const uint64_t digits = hex8_text(static_cast<uint32_t>(v));
        std::memcpy(p_, &digits, 8);
        p_ += 8;
        return *this;
      }
      const int digits =
          std::max({1, (static_cast<int>(std::bit_width(v)) + 3) / 4, std::min(min_digits, 16)});
      assert(limit_ - p_ >= digits);
      char* q = p_ + digits;
      for (int left = digits; left >= 2; left -= 2, v >>= 8) {
        q -= 2;
        std::memcpy(q, &kHexPairs[2 * (v & 0xFF)], 2);
      }
      if (digits % 2 != 0) *--q = kHexPairs[2 * (v & 0xF) + 1];
      p_ += digits;
      return *this;
    }
    // Decimal, left-aligned, padded with blanks to at least `width`; never cut.
    LineBuilder& left(uint64_t n, size_t width) {
      if (n < 100'000'000 && width <= 16) {
        // Blanks first, then at most eight digits over them in one store.
        std::memcpy(p_, kBlanks.data(), 16);
        const uint64_t digits = decimal8_digits(static_cast<uint32_t>(n));
        // Leading zeros are the low bytes; forcing the last digit keeps n = 0 at one digit.
        const int zeros = std::countr_zero(digits | (uint64_t{1} << 56)) / 8;
        const uint64_t text =
            ((digits + kZeros) >> (8 * zeros)) | ((kBlankWord << (56 - 8 * zeros)) << 8);
        std::memcpy(p_, &text, 8);
        assert(limit_ - p_ >=
               static_cast<ptrdiff_t>(std::max(static_cast<size_t>(8 - zeros), width)));
        p_ += std::max(static_cast<size_t>(8 - zeros), width);
        return *this;
      }
      const size_t digits = decimal_digits(n);
      assert(static_cast<size_t>(limit_ - p_) >= std::max(digits, width));
      char* q = p_ + digits;
      for (; n >= 100; n /= 100) {
        q -= 2;
        std::memcpy(q, &kDecimalPairs[2 * (n % 100)], 2);
      }
      if (n >= 10) {
        q -= 2;
        std::memcpy(q, &kDecimalPairs[2 * n], 2);
      } else {
        *--q = static_cast<char>('0' + n);
      }
      p_ += digits;
      pad(digits, width);
      return *this;
    }
    // Ends the line with a line feed and hands it to the output.
    void end() {
      text("\n");
      out_.buf_.resize(static_cast<size_t>(p_ - out_.buf_.data()));
      out_.maybe_flush();
    }

   private:
    friend class Output;
    static constexpr std::array<char, kSlack> kBlanks = [] {
      std::array<char, kSlack> blanks{};
      blanks.fill(' ');
      return blanks;
    }();
    // "000102...FEFF": the two digits of every byte.
    static constexpr std::array<char, 512> kHexPairs = [] {
      std::array<char, 512> pairs{};
      for (size_t i = 0; i < 256; ++i) {
        pairs[2 * i] = "0123456789ABCDEF"[i >> 4];
        pairs[2 * i + 1] = "0123456789ABCDEF"[i & 0xF];
      }
      return pairs;
    }();
    // "000102...99": the two decimal digits of every number below 100.
    static constexpr std::array<char, 200> kDecimalPairs = [] {
      std::array<char, 200> pairs{};
      for (size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
      }
      return pairs;
    }();
    // The word-at-a-time digits below are stored with memcpy, first character in the lowest byte.
    static_assert(std::endian::native == std::endian::little);
    static constexpr uint64_t kZeros = 0x3030303030303030;
    static constexpr uint64_t kBlankWord = 0x2020202020202020;
    // The eight upper-case hexadecimal digits of v as text, first digit in the lowest byte.
    static uint64_t hex8_text(uint32_t v) {
      // Spread the nibbles over the bytes, least significant nibble in the lowest byte.
      uint64_t x = v;
      x = (x | (x << 16)) & 0x0000FFFF0000FFFF;
      x = (x | (x << 8)) & 0x00FF00FF00FF00FF;
      x = (x | (x << 4)) & 0x0F0F0F0F0F0F0F0F;
      // Bytes 10 to 15 get 'A' - '9' - 1 more than the digits.
      const uint64_t letters = ((x + 0x0606060606060606) >> 4) & 0x0101010101010101;
      return std::byteswap(x + kZeros + letters * 7);
    }
    // The eight decimal digits of n < 10^8 as values 0-9, first digit in the lowest byte: each
    // step splits every lane into two lanes of half the width with a multiply and a shift
    // (n * 10486 >> 20 = n / 100 below 10^4, n * 103 >> 10 = n / 10 below 100).
    static uint64_t decimal8_digits(uint32_t n) {
      uint64_t x = (n / 10000) | (uint64_t{n % 10000} << 32);
      const uint64_t hundreds = ((x * 10486) >> 20) & 0x0000007F0000007F;
      x = hundreds | ((x - hundreds * 100) << 16);
      const uint64_t tens = ((x * 103) >> 10) & 0x000F000F000F000F;
      return tens | ((x - tens * 10) << 8);
    }
    static size_t decimal_digits(uint64_t n) {
      static constexpr std::array<uint64_t, 20> kPowers = [] {
        std::array<uint64_t, 20> powers{};
        uint64_t p = 1;
        for (uint64_t& x : powers) {
          x = p;
          p *= 10;
        }
        return powers;
      }();
      // 1233/4096 is just above log10(2), so this is the digit count or one more.
      const size_t guess = (static_cast<size_t>(std::bit_width(n)) * 1233 >> 12) + 1;
      return guess - (guess > 1 && n < kPowers[guess - 1]);
    }
    // Blanks after `used` columns up to `width`.
    void pad(size_t used, size_t width) {
      if (used >= width) return;
      const size_t blanks = width - used;
      assert(static_cast<size_t>(limit_ - p_) >= blanks);
      if (blanks <= kSlack) {
        // One fixed-size copy; the blanks past `blanks` land in the slack and are overwritten.
        std::memcpy(p_, kBlanks.data(), kSlack);
        p_ += blanks;
      } else {
        p_ = std::fill_n(p_, blanks, ' ');
      }
    }
    LineBuilder(Output& out, char* p, char* limit) : out_(out), p_(p), limit_(limit) {}
    Output& out_;
    char* p_;
    char* limit_;  // the caller's promise; checked in debug builds
  };
  // Starts a line of at most `max_size` bytes, its line feed included.
  LineBuilder build_line(size_t max_size) {
    const size_t used = buf_.size();
    buf_.resize(used + max_size + kSlack);
    return LineBuilder(*this, buf_.data() + used, buf_.data() + used + max_size);
  }

  void maybe_flush() {
    if (buf_.size() >= kFlushAt) flush();
  }
  // Output that cannot be written is dropped; the first failure's errno stays in write_error()
  // so the run can report it instead of claiming success.
  void flush();
  int write_error() const { return write_error_; }

 private:
  static constexpr size_t kFlushAt = 1 << 20;
  static constexpr size_t kDirectAt = 1 << 15;
  void write_out(std::string_view bytes);
  int fd_;
  int write_error_ = 0;
  fmt::memory_buffer buf_;
};

inline Output::LineBuilder& Output::LineBuilder::text(const StridedText& t) {
  assert(limit_ - p_ >= static_cast<ptrdiff_t>(t.size()));
  for (size_t at = 0; at < t.size(); at += StridedText::kStride)
    std::memcpy(p_ + at, t.data() + at, StridedText::kStride);
  p_ += t.size();
  return *this;
}

// A StridedText per key, made by `make` on first sight. Neighbouring lines of a listing mostly
// share their key, so the last one is checked before the map.
template <typename Key>
class StridedTextCache {
 public:
  template <typename Make>
  const StridedText& get(Key key, Make&& make) {
    if (last_ != nullptr && key == last_key_) return *last_;
    auto [it, inserted] = texts_.try_emplace(key);
    if (inserted) it->second = StridedText(make(key));
    last_key_ = key;
    last_ = &it->second;
    return *last_;
  }

 private:
  absl::flat_hash_map<Key, StridedText> texts_;
  Key last_key_{};
  const StridedText* last_ = nullptr;
};

}  // namespace tessary::app
