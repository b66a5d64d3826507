#include "tessary/common/text.hpp"

#include <fmt/format.h>
#include <array>

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

}  // namespace

std::optional<Utf8Error> validate_utf8(std::span<const uint8_t> bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    SeqResult r = check_sequence(bytes, i);
    if (r.len == 0) return Utf8Error{i, r.error_len};
    i += r.len;
  }
  return std::nullopt;
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

std::string windows1252_to_utf8(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  size_t run = 0;  // start of the pending ASCII run, copied at once
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint8_t b = bytes[i];
    if (b < 0x80) continue;
    out.append(reinterpret_cast<const char*>(bytes.data() + run), i - run);
    run = i + 1;
    append_utf8(out, b < 0xA0 ? kWindows1252High[b - 0x80] : b);
  }
  out.append(reinterpret_cast<const char*>(bytes.data() + run), bytes.size() - run);
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
