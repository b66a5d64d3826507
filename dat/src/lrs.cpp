#include "tessary/dat/lrs.hpp"

#include <algorithm>

#include "tessary/common/cursor.hpp"

namespace tessary {

std::vector<uint8_t> decompress_lrs(std::span<const uint8_t> input) {
  if (input.size() < 4) return {input.begin(), input.end()};
  const uint32_t declared = load_le<uint32_t>(input.data());
  std::vector<uint8_t> out;
  if (declared == 0) return out;
  const auto payload = input.subspan(4);
  // Every token yields at most 17 bytes for 2 input bytes, so a hostile declared size cannot make
  // us reserve more than the payload can produce.
  out.reserve(std::min<uint64_t>(declared, uint64_t{payload.size()} * 9 + 17));
  size_t i = 0;
  uint8_t flags = 0;
  uint8_t mask = 0;
  while (i < payload.size()) {
    if (mask == 0) {
      flags = payload[i++];
      mask = 0x80;
    }
    if (flags & mask) {
      if (payload.size() - i < 2) break;
      const uint8_t lo = payload[i], hi = payload[i + 1];
      const size_t distance = lo + 256u * (hi >> 4);
      const size_t length = (hi & 0x0Fu) + 2;
      if (distance == 0) break;
      // Nothing to copy from yet: the stream cannot be completed.
      if (out.empty()) break;
      for (size_t k = 0; k < length && out.size() < declared; ++k) {
        const size_t src = distance > out.size() ? 0 : out.size() - distance;
        out.push_back(out[src]);
      }
      i += 2;
    } else {
      if (i >= payload.size()) break;
      out.push_back(payload[i++]);
    }
    if (out.size() >= declared) break;
    mask >>= 1;
  }
  return out;
}

}  // namespace tessary
