// A weenie table: every record in it.
#include "fuzz_input.hpp"
#include "tessary/dat/weenie.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessary;
  if (auto record = WeenieTable::unpack({data, size}); !record) fuzz::describe(record.error());
  return 0;
}
