#pragma once
// A simple LRS encoder for fixtures and benchmarks: greedy longest match within 4095 bytes back,
// copies of 2 to 17 bytes, everything else literal. The tool itself never writes LRS data.

#include <cstdint>
#include <span>
#include <vector>

namespace tessary::testsupport {

// The declared size (u32), then the token stream.
std::vector<uint8_t> compress_lrs(std::span<const uint8_t> data);

}  // namespace tessary::testsupport
