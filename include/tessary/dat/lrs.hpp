#pragma once
// The DAT format's own LZ-style compression: a u32 declared size, then groups of one flag byte
// (most significant bit first) and up to eight tokens, literal bytes or 12-bit-distance copies.

#include <cstdint>
#include <span>
#include <vector>

namespace tessary {

// Never fails: a malformed stream stops at the first token that cannot be completed and the bytes
// produced so far are returned. Inputs shorter than 4 bytes come back unchanged.
std::vector<uint8_t> decompress_lrs(std::span<const uint8_t> input);

}  // namespace tessary
