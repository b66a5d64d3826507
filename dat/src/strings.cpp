#include "tessary/dat/strings.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "tessary/common/text.hpp"

namespace tessary {

Decoded<std::string> read_pstring(Cursor& c, unsigned width) {
  uint64_t length;
  switch (width) {
    case 1:
      length = TRY(c.u8());
      break;
    case 2:
      length = TRY(c.u16());
      break;
    case 4:
      length = TRY(c.u32());
      break;
    default:
      return std::unexpected(DecodeError::assertion("Unsupported PString length size", c.pos()));
  }
  // bytes() checks the length against what is left before anything is set aside.
  return decode_client_text(TRY(c.bytes(length)));
}

Decoded<std::string> read_obfuscated_string(Cursor& c) {
  const uint16_t length = TRY(c.u16());
  auto scrambled = TRY(c.bytes(length));
  // Most client strings are short: unscramble them on the stack rather than in a heap copy.
  std::array<uint8_t, 512> small;
  std::vector<uint8_t> large;
  std::span<uint8_t> text = small;
  if (length > small.size()) {
    large.resize(length);
    text = large;
  }
  text = text.first(length);
  std::ranges::transform(scrambled, text.begin(),
                         [](uint8_t b) { return static_cast<uint8_t>(b << 4 | b >> 4); });
  return decode_client_text(text);
}

}  // namespace tessary
