// Writes a directory of loose resource files for timing tsy-pack against tar and zstd: N files
// named [ID].[TYPE], sizes log-uniform from 32 bytes to 64 KiB, half of them text-like
// (compressible), a quarter random, a quarter half of each. The same N always gives the same files.
#include <fmt/format.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tessary/common/io.hpp"

namespace {

constexpr const char* kWords[] = {"portal ",  "cell ",  "landblock ",  "weenie ", "spell ",
                                  "texture ", "sound ", "0x0E000003 ", "mana ",   "school "};

void text(std::mt19937_64& rng, std::vector<uint8_t>& out, size_t n) {
  while (out.size() < n) {
    const std::string_view w = kWords[rng() % std::size(kWords)];
    out.insert(out.end(), w.begin(), w.end());
  }
  out.resize(n);
}

void noise(std::mt19937_64& rng, std::vector<uint8_t>& out, size_t n) {
  while (out.size() < n)
    out.push_back(static_cast<uint8_t>(rng()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make-pack-dir DIR [FILES]\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const unsigned long count = argc == 3 ? std::strtoul(argv[2], nullptr, 10) : 100000;
  std::filesystem::create_directories(dir);
  std::mt19937_64 rng(20261211);
  std::uniform_real_distribution<double> log_size(std::log(32.0), std::log(65536.0));
  const uint32_t types[] = {0x1, 0x6, 0xA, 0xE, 0x22};
  std::vector<uint8_t> bytes;
  uint64_t total = 0;
  for (unsigned long i = 0; i < count; ++i) {
    const auto n = static_cast<size_t>(std::exp(log_size(rng)));
    bytes.clear();
    switch (i % 4) {
      case 0:
      case 1:
        text(rng, bytes, n);
        break;
      case 2:
        noise(rng, bytes, n);
        break;
      default:
        text(rng, bytes, n / 2);
        noise(rng, bytes, n);
    }
    const uint32_t type = types[i % std::size(types)];
    const auto name = fmt::format("{:08X}.{:X}", (type << 24) | static_cast<uint32_t>(i), type);
    if (auto w = tessary::write_file(dir / name, bytes); !w) {
      std::fprintf(stderr, "make-pack-dir: %s: %s\n", name.c_str(), w.error().message.c_str());
      return 1;
    }
    total += n;
  }
  std::printf("%lu files, %llu bytes in %s\n", count, static_cast<unsigned long long>(total),
              dir.c_str());
  return 0;
}
