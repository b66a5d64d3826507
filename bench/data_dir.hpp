#pragma once
// Where a benchmark finds the inputs make-bench-data generated: bench/data, or DIR from --data=DIR.

#include <cstring>
#include <filesystem>

namespace tessary::bench {

inline std::filesystem::path data_dir_from_args(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--data=", 7) == 0) return argv[i] + 7;
  return "bench/data";
}

}  // namespace tessary::bench
