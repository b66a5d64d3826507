// The DAT reader's hot loops: opening the generated 1M-entry and portal files next to the floor
// (the same directory blocks read and nothing else), decoding the entries of a directory node, and
// LRS expansion. The data files come from make-bench-data; pass their directory with --data=DIR
// (default bench/data); the open benchmarks are skipped when it holds none.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "dat_floor.hpp"
#include "data_dir.hpp"
#include "tessary/common/cursor.hpp"
#include "tessary/common/io.hpp"
#include "tessary/dat/database.hpp"
#include "tessary/dat/lrs.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/lrs_encoder.hpp"

namespace {

using tessary::DatDatabase;
using tessary::DatFileEntry;

std::filesystem::path g_data_dir;

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
    const auto n = tessary::bench::floor_count_entries(path.c_str());
    if (!n) {
      state.SkipWithError("cannot read the directory");
      return;
    }
    state.counters["entries"] = static_cast<double>(*n);
  }
}

// A full node's 61 entries through the record decoder, as the directory walk reads them.
void BM_DirectoryNodeDecode(benchmark::State& state) {
  std::vector<DatFileEntry> entries(DatDatabase::kMaxNodeEntries);
  for (uint32_t i = 0; i < entries.size(); ++i)
    entries[i] = {.bit_flags = i % 7 == 0, .id = 0x01000000 + i, .offset = 1024 * i, .size = i};
  const std::vector<uint32_t> branches(DatDatabase::kNodeBranches, 0);
  const std::vector<uint8_t> node =
      tessary::testsupport::DatWriter::encode_node(entries, branches, -1);
  for (auto _ : state) {
    tessary::Cursor c(node, 4 * DatDatabase::kNodeBranches + 4);
    for (uint32_t i = 0; i < DatDatabase::kMaxNodeEntries; ++i)
      benchmark::DoNotOptimize(DatFileEntry::read(c));
  }
  state.SetItemsProcessed(state.iterations() * DatDatabase::kMaxNodeEntries);
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

BENCHMARK_CAPTURE(BM_Floor, cell_1m, "cell_1m.dat")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Open, cell_1m, "cell_1m.dat")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Floor, portal, "portal.dat")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Open, portal, "portal.dat")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectoryNodeDecode);
BENCHMARK_CAPTURE(BM_LrsDecode, text, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LrsDecode, text_with_noise, 30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LrsDecode, noise, 100)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  g_data_dir = tessary::bench::data_dir_from_args(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
