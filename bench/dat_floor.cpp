// dat-floor FILE: prints the number of directory entries of a DAT file, reading nothing but its
// directory blocks, once each. The baseline of the end-to-end benchmarks (scripts/bench.sh).
#include <cstdio>

#include "dat_floor.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: dat-floor FILE\n");
    return 2;
  }
  const auto entries = tessary::bench::floor_count_entries(argv[1]);
  if (!entries) {
    std::fprintf(stderr, "dat-floor: cannot read the directory of %s\n", argv[1]);
    return 1;
  }
  std::printf("%llu\n", static_cast<unsigned long long>(*entries));
  return 0;
}
