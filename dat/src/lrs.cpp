#include "tessary/dat/lrs.hpp"

#include <algorithm>
#include <cstring>

#include "tessary/common/cursor.hpp"

namespace tessary {

std::vector<uint8_t> decompress_lrs(std::span<const uint8_t> input) {
  if (input.size() < 4) return {input.begin(), input.end()};
  const uint32_t declared = load_le<uint32_t>(input.data());
  if (declared == 0) return {};
  const uint8_t* in = input.data() + 4;
  const size_t in_size = input.size() - 4;
  // A group of 17 payload bytes (a flag byte and eight 2-byte copies) yields at most 8 * 17 bytes,
  // so the output never needs more than 8 bytes per payload byte plus one copy: a hostile declared
  // size cannot make us allocate memory the payload cannot fill.
  const size_t limit = std::min<uint64_t>(declared, uint64_t{in_size} * 8 + 17);
  std::vector<uint8_t> out(limit);
  uint8_t* o = out.data();
  size_t n = 0;  // bytes produced
  size_t i = 0;
  uint8_t flags = 0;
  uint8_t mask = 0;
  while (i < in_size) {
    if (mask == 0) {
      flags = in[i++];
      mask = 0x80;
      // A whole group of literals, common in data that does not compress, moves in one copy.
      if (flags == 0 && in_size - i >= 8 && limit - n >= 8) {
        std::memcpy(o + n, in + i, 8);
        i += 8;
        n += 8;
        mask = 0;
        if (n >= limit) break;
        continue;
      }
    }
    if (flags & mask) {
      if (in_size - i < 2) break;
      const size_t distance = in[i] + 256u * (in[i + 1] >> 4);
      const size_t length = std::min<size_t>((in[i + 1] & 0x0Fu) + 2, limit - n);
      if (distance == 0) break;
      // A copy into an empty output has no source byte; the stream cannot be completed.
      if (n == 0) break;
      if (distance <= n && distance >= length) {
        std::memcpy(o + n, o + n - distance, length);  // source and destination do not overlap
        n += length;
      } else if (distance == 1) {
        std::memset(o + n, o[n - 1], length);  // a run of the last byte
        n += length;
      } else {
        // Overlapping, or reaching before the start (which reads byte 0 until the output is
        // `distance` long): the source moves with every byte.
        for (const size_t end = n + length; n < end; ++n)
          o[n] = o[distance > n ? 0 : n - distance];
      }
      i += 2;
    } else {
      if (i >= in_size) break;  // the stream ended on a flag byte
      o[n++] = in[i++];
    }
    if (n >= limit) break;
    mask >>= 1;
  }
  out.resize(n);
  return out;
}

}  // namespace tessary
