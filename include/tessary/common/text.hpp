#pragma once
// Character sets and text forms the tool shows: UTF-8 validation with the standard library's error
// texts, lossy UTF-8 and UTF-16 (bad input becomes U+FFFD), windows-1252 as WHATWG defines it, and
// the quoted, escaped form in which paths appear in messages.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tessary {

struct Utf8Error {
  size_t valid_up_to;
  size_t error_len;  // 1 to 3; 0 when the input ends inside a sequence

  // "invalid utf-8 sequence of 1 bytes from index 0", "incomplete utf-8 byte sequence from index 0"
  std::string to_string() const;
};

// Length of the leading run of bytes below 0x80. Most text the tool handles is ASCII, which every
// decoding here leaves as it is, so scans skip such runs eight bytes at a time.
size_t ascii_prefix(std::span<const uint8_t> bytes);

// Length of the well-formed UTF-8 sequence `bytes` starts with (1 to 4), or 0 when it starts with a
// malformed one. `bytes` is not empty.
size_t utf8_sequence_length(std::span<const uint8_t> bytes);

std::optional<Utf8Error> validate_utf8(std::span<const uint8_t> bytes);
inline std::optional<Utf8Error> validate_utf8(std::string_view s) {
  return validate_utf8(std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size()));
}

// Every maximal invalid subpart becomes one U+FFFD.
std::string utf8_lossy(std::span<const uint8_t> bytes);
inline std::string utf8_lossy(std::string_view s) {
  return utf8_lossy(std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size()));
}
std::string utf16_lossy(std::span<const uint8_t> bytes, bool big_endian);
std::string windows1252_to_utf8(std::span<const uint8_t> bytes);

// Decodes client text: a UTF-8 or UTF-16 byte-order mark selects that encoding (and is dropped),
// anything else is windows-1252. Never fails.
std::string decode_client_text(std::span<const uint8_t> bytes);

void append_utf8(std::string& out, uint32_t code_point);

// "\"out/x.bin\"": double quotes, with quotes, backslashes and control characters escaped and
// bytes that are not UTF-8 written as \xNN.
std::string debug_quoted(std::string_view bytes);
inline std::string debug_quoted(const std::filesystem::path& p) {
  return debug_quoted(std::string_view(p.native()));
}

// A path for display, with bytes that are not UTF-8 shown as U+FFFD.
inline std::string display(const std::filesystem::path& p) {
  return utf8_lossy(std::string_view(p.native()));
}

}  // namespace tessary
