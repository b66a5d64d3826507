#include "tessary/dat/strings.hpp"

#include <array>
#include <cstring>
#include <vector>

#include "tessary/common/text.hpp"

namespace tessary {

namespace {

// Swaps the two 4-bit halves of every byte, eight bytes at a time while there are eight.
void unscramble(std::span<const uint8_t> scrambled, uint8_t* out) {
  constexpr uint64_t kLowHalves = 0x0F0F0F0F0F0F0F0F;
  size_t i = 0;
  for (; scrambled.size() - i >= 8; i += 8) {
    uint64_t word;
    std::memcpy(&word, scrambled.data() + i, 8);
    word = (word & kLowHalves) << 4 | (word >> 4 & kLowHalves);
    std::memcpy(out + i, &word, 8);
  }
  for (; i < scrambled.size(); ++i)
    out[i] = static_cast<uint8_t>(scrambled[i] << 4 | scrambled[i] >> 4);
}

}  // namespace

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
  if (length <= small.size()) {
    unscramble(scrambled, small.data());
    return decode_client_text(std::span(small).first(length));
  }
  std::vector<uint8_t> large(length);
  unscramble(scrambled, large.data());
  return decode_client_text(large);
}

}  // namespace tessary
