#include "tessary/dat/strings.hpp"

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
  std::vector<uint8_t> text(scrambled.begin(), scrambled.end());
  for (uint8_t& b : text)
    b = static_cast<uint8_t>(b << 4 | b >> 4);
  return decode_client_text(text);
}

}  // namespace tessary
