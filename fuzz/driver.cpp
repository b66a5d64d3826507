// Runs a fuzz target over saved inputs without libFuzzer: every file named on the command line, and
// every file (sorted, recursively) of every directory named. This is how the test suite replays
// the seed and regression corpus under the ordinary compiler and its sanitizers.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "tessary/common/io.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg = argv[i];
    if (!fs::is_directory(arg)) {
      inputs.push_back(arg);
      continue;
    }
    for (const auto& entry : fs::recursive_directory_iterator(arg))
      if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  if (inputs.empty()) {
    std::fprintf(stderr, "no inputs given\n");
    return 1;
  }
  for (const fs::path& p : inputs) {
    auto bytes = tessary::read_file(p);
    if (!bytes) {
      std::fprintf(stderr, "%s: %s\n", p.c_str(), bytes.error().message.c_str());
      return 1;
    }
    LLVMFuzzerTestOneInput(bytes->data(), bytes->size());
  }
  std::printf("ran %zu inputs\n", inputs.size());
  return 0;
}
