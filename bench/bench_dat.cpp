// Opening large DAT files next to the floor (reading the same directory blocks and nothing else),
// and LRS decoding speed. The data files come from make-bench-dats; pass their directory with
// --data=DIR (default bench/data).
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tessary/common/cursor.hpp"
#include "tessary/common/io.hpp"
#include "tessary/dat/database.hpp"
#include "tessary/dat/lrs.hpp"
#include "tessary/testsupport/lrs_encoder.hpp"

namespace {

using tessary::DatDatabase;
using tessary::File;
using tessary::load_le;

std::filesystem::path g_data_dir = "bench/data";

// The least any reader must do: one read per directory block, link and payload together, and a
// count of the entries. No map, no decoding of entries.
uint64_t floor_count_entries(const std::filesystem::path& path) {
  auto file = File::open_read(path);
  if (!file) return 0;
  uint8_t header[80];
  if (!file->read_exact_at(header, 0x140)) return 0;
  const uint32_t block_size = load_le<uint32_t>(header + 4);
  std::vector<uint32_t> stack{load_le<uint32_t>(header + 32)};
  std::vector<uint8_t> block(block_size);
  uint8_t node[DatDatabase::kNodeSize];
  uint64_t entries = 0;
  while (!stack.empty()) {
    uint32_t offset = stack.back();
    stack.pop_back();
    if (offset == 0) continue;
    for (size_t have = 0; have < sizeof node;) {
      if (!file->read_exact_at(block, offset)) return 0;
      const size_t chunk = std::min<size_t>(block_size - 4, sizeof node - have);
      std::memcpy(node + have, block.data() + 4, chunk);
      have += chunk;
      offset = load_le<uint32_t>(block.data());
    }
    const uint32_t count = load_le<uint32_t>(node + 248);
    entries += count;
    if (load_le<uint32_t>(node) != 0)
      for (uint32_t i = 0; i <= std::min(count, 61u); ++i)
        stack.push_back(load_le<uint32_t>(node + 4 * i));
  }
  return entries;
}

void BM_Open(benchmark::State& state, const char* name) {
  const auto path = g_data_dir / name;
  for (auto _ : state) {
    auto db = DatDatabase::open(path);
    if (!db) {
      state.SkipWithError(db.error().message().c_str());
      return;
    }
    state.counters["entries"] = static_cast<double>(db->files().size());
    benchmark::DoNotOptimize(db->files().size());
  }
}

void BM_Floor(benchmark::State& state, const char* name) {
  const auto path = g_data_dir / name;
  for (auto _ : state) {
    const uint64_t n = floor_count_entries(path);
    if (n == 0) {
      state.SkipWithError("cannot read the directory");
      return;
    }
    state.counters["entries"] = static_cast<double>(n);
  }
}

// Mixed data: text-like runs that compress, with some noise that stays literal.
std::vector<uint8_t> sample_data(size_t n, int noise_percent) {
  std::mt19937 rng(1);
  static const std::string words[] = {"portal ", "cell ",      "texture ", "sound ",
                                      "table ",  "landblock ", "weenie ",  "spell "};
  std::vector<uint8_t> out;
  out.reserve(n);
  while (out.size() < n) {
    if (static_cast<int>(rng() % 100) < noise_percent) {
      out.push_back(static_cast<uint8_t>(rng()));
    } else {
      const std::string& w = words[rng() % std::size(words)];
      out.insert(out.end(), w.begin(), w.end());
    }
  }
  out.resize(n);
  return out;
}

void BM_LrsDecode(benchmark::State& state, int noise_percent) {
  const std::vector<uint8_t> data = sample_data(8 << 20, noise_percent);
  const std::vector<uint8_t> packed = tessary::testsupport::compress_lrs(data);
  if (tessary::decompress_lrs(packed) != data) {
    state.SkipWithError("round trip failed");
    return;
  }
  for (auto _ : state)
    benchmark::DoNotOptimize(tessary::decompress_lrs(packed));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
  state.counters["ratio"] = static_cast<double>(packed.size()) / static_cast<double>(data.size());
}

}  // namespace

BENCHMARK_CAPTURE(BM_Floor, portal_100k, "portal_100k.dat")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Open, portal_100k, "portal_100k.dat")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Floor, cell_100k, "cell_100k.dat")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Open, cell_100k, "cell_100k.dat")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Floor, portal_1m, "portal_1m.dat")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Open, portal_1m, "portal_1m.dat")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Floor, cell_1m, "cell_1m.dat")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Open, cell_1m, "cell_1m.dat")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LrsDecode, text, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LrsDecode, text_with_noise, 30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LrsDecode, noise, 100)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--data=", 7) == 0) g_data_dir = argv[i] + 7;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
