// LRS decoding of any byte stream, with the output bound the decoder promises.
#include <cstdlib>

#include "tessary/dat/lrs.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> out = tessary::decompress_lrs({data, size});
  // Eight bytes out per payload byte, plus one copy, is all a stream can produce.
  if (size >= 4 && out.size() > (size - 4) * 8 + 17) std::abort();
  return 0;
}
