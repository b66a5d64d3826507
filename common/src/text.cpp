#include "tessary/common/text.hpp"

#include <fmt/format.h>

#include <array>
#include <bit>
#include <cstring>

namespace tessary {

std::string Utf8Error::to_string() const {
  if (error_len == 0)
    return fmt::format("incomplete utf-8 byte sequence from index {}", valid_up_to);
  return fmt::format("invalid utf-8 sequence of {} bytes from index {}", error_len, valid_up_to);
}

namespace {

bool is_cont(uint8_t b) {
  return (b & 0xC0) == 0x80;
}

// Length of the well-formed sequence at `i`, or the error of the first bad one.
struct SeqResult {
  size_t len;        // bytes of a valid sequence, 0 on error
  size_t error_len;  // on error: 1 to 3, or 0 when the input ended inside the sequence
};

SeqResult check_sequence(std::span<const uint8_t> v, size_t i) {
  const uint8_t first = v[i];
  if (first < 0x80) return {1, 0};
  size_t width = first >= 0xC2 && first <= 0xDF   ? 2
                 : first >= 0xE0 && first <= 0xEF ? 3
                 : first >= 0xF0 && first <= 0xF4 ? 4
                                                  : 0;
  if (width == 0) return {0, 1};
  if (i + 1 >= v.size()) return {0, 0};
  const uint8_t second = v[i + 1];
  bool second_ok;
  if (width == 2) {
    second_ok = is_cont(second);
  } else if (width == 3) {
    second_ok = first == 0xE0   ? (second >= 0xA0 && second <= 0xBF)
                : first == 0xED ? (second >= 0x80 && second <= 0x9F)
                                : is_cont(second);
  } else {
    second_ok = first == 0xF0   ? (second >= 0x90 && second <= 0xBF)
                : first == 0xF4 ? (second >= 0x80 && second <= 0x8F)
                                : is_cont(second);
  }
  if (!second_ok) return {0, 1};
  for (size_t k = 2; k < width; ++k) {
    if (i + k >= v.size()) return {0, 0};
    if (!is_cont(v[i + k])) return {0, k};
  }
  return {width, 0};
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

constexpr std::array<uint16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr uint64_t kOnes = 0x0101010101010101;  // a 1 in every byte of a word

// The UTF-8 form of each windows-1252 byte from 0x80: two or three bytes.
struct Windows1252Utf8 {
  std::array<char, 3> bytes;
  size_t size;
};
constexpr std::array<Windows1252Utf8, 128> kWindows1252Utf8 = [] {
  std::array<Windows1252Utf8, 128> table{};
  for (uint32_t b = 0x80; b <= 0xFF; ++b) {
    const uint32_t cp = b < 0xA0 ? kWindows1252High[b - 0x80] : b;
    Windows1252Utf8& c = table[b - 0x80];
    if (cp < 0x800) {
      c = {{static_cast<char>(0xC0 | cp >> 6), static_cast<char>(0x80 | (cp & 0x3F)), 0}, 2};
    } else {
      c = {{static_cast<char>(0xE0 | cp >> 12), static_cast<char>(0x80 | (cp >> 6 & 0x3F)),
            static_cast<char>(0x80 | (cp & 0x3F))},
           3};
    }
  }
  return table;
}();

}  // namespace

size_t ascii_prefix(std::span<const uint8_t> bytes) {
  constexpr uint64_t kHighBits = kOnes << 7;
  size_t i = 0;
  for (; bytes.size() - i >= 8; i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    if (const uint64_t high = word & kHighBits; high != 0)
      return i + static_cast<size_t>(std::countr_zero(high)) / 8;
  }
  while (i < bytes.size() && bytes[i] < 0x80)
    ++i;
  return i;
}

size_t utf8_sequence_length(std::span<const uint8_t> bytes) {
  return check_sequence(bytes, 0).len;
}

std::optional<Utf8Error> validate_utf8(std::span<const uint8_t> bytes) {
  size_t i = 0;
  while (true) {
    i += ascii_prefix(bytes.subspan(i));
    if (i == bytes.size()) return std::nullopt;
    SeqResult r = check_sequence(bytes, i);
    if (r.len == 0) return Utf8Error{i, r.error_len};
    i += r.len;
  }
}

std::string utf8_lossy(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    SeqResult r = check_sequence(bytes, i);
    if (r.len != 0) {
      out.append(reinterpret_cast<const char*>(bytes.data() + i), r.len);
      i += r.len;
    } else {
      out += kReplacement;
      i = r.error_len == 0 ? bytes.size() : i + r.error_len;
    }
  }
  return out;
}

void append_utf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string utf16_lossy(std::span<const uint8_t> bytes, bool big_endian) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [&](size_t i) -> uint32_t {
    return big_endian ? (bytes[i] << 8 | bytes[i + 1]) : (bytes[i] | bytes[i + 1] << 8);
  };
  size_t i = 0;
  while (i + 1 < bytes.size()) {
    uint32_t u = unit(i);
    i += 2;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 < bytes.size()) {
        uint32_t low = unit(i);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          append_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
          i += 2;
          continue;
        }
      }
      out += kReplacement;  // the following unit is decoded on its own
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      out += kReplacement;
    } else {
      append_utf8(out, u);
    }
  }
  if (i < bytes.size()) out += kReplacement;  // odd trailing byte
  return out;
}

// Written into a string sized once for the longest form the text can take (every byte from 0x80
// three bytes long), with runs of ASCII copied eight bytes at a time.
std::string windows1252_to_utf8(std::span<const uint8_t> bytes) {
  const uint8_t* in = bytes.data();
  const uint8_t* const end = in + bytes.size();
  size_t high = 0;
  const uint8_t* q = in;
  for (; end - q >= 8; q += 8) {
    uint64_t word;
    std::memcpy(&word, q, 8);
    high += ((word >> 7) & kOnes) * kOnes >> 56;  // the bytes' high bits, summed in the top byte
  }
  for (; q < end; ++q)
    high += *q >> 7;
  std::string out;
  // The callback's own size argument is not used: this standard library passes the capacity.
  out.resize_and_overwrite(bytes.size() + 2 * high, [in, end](char* const start, size_t) mutable {
    char* p = start;
    while (true) {
      // Eight bytes are stored even when fewer are kept; they fit, as every stored byte that is
      // not kept stands for an input byte not yet read.
      while (end - in >= 8) {
        uint64_t word;
        std::memcpy(&word, in, 8);
        std::memcpy(p, &word, 8);
        const uint64_t high_bits = word & (kOnes << 7);
        const size_t run =
            high_bits == 0 ? 8 : static_cast<size_t>(std::countr_zero(high_bits)) / 8;
        in += run;
        p += run;
        if (run < 8) break;
      }
      for (; in < end && *in < 0x80; ++in)
        *p++ = static_cast<char>(*in);
      if (in == end) return static_cast<size_t>(p - start);
      const Windows1252Utf8& c = kWindows1252Utf8[*in++ - 0x80];
      p[0] = c.bytes[0];
      p[1] = c.bytes[1];
      if (c.size == 3) p[2] = c.bytes[2];
      p += c.size;
    }
  });
  return out;
}

std::string decode_client_text(std::span<const uint8_t> bytes) {
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
    return utf8_lossy(bytes.subspan(3));
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
    return utf16_lossy(bytes.subspan(2), false);
  if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF)
    return utf16_lossy(bytes.subspan(2), true);
  return windows1252_to_utf8(bytes);
}

std::string debug_quoted(std::string_view s) {
  auto bytes = std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  std::string out = "\"";
  size_t i = 0;
  while (i < bytes.size()) {
    SeqResult r = check_sequence(bytes, i);
    if (r.len == 0) {
      size_t bad = r.error_len == 0 ? bytes.size() - i : r.error_len;
      for (size_t k = 0; k < bad; ++k)
        out += fmt::format("\\x{:02X}", bytes[i + k]);
      i += bad;
      continue;
    }
    const uint8_t c = bytes[i];
    if (r.len == 1) {
      switch (c) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        case '\0':
          out += "\\0";
          break;
        default:
          if (c < 0x20 || c == 0x7F)
            out += fmt::format("\\u{{{:x}}}", c);
          else
            out += static_cast<char>(c);
      }
    } else if (r.len == 2 && c == 0xC2 && bytes[i + 1] < 0xA0) {
      out += fmt::format("\\u{{{:x}}}", bytes[i + 1]);  // C1 control characters
    } else {
      out.append(s.substr(i, r.len));
    }
    i += r.len;
  }
  out += '"';
  return out;
}

}  // namespace tessary
