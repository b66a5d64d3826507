// A landblock's objects and buildings.
#include "fuzz_input.hpp"
#include "tessary/dat/landblock.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessary;
  if (auto record = LandblockInfo::unpack({data, size}); !record) fuzz::describe(record.error());
  return 0;
}
