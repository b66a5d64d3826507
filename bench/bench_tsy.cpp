// The TSY archive's hot loops: zstd compression and expansion of one entry at a time through the
// writer and reader (each reuses one context for the whole archive), and the index binary search
// of a lookup in the generated 1M-entry archive (--data=DIR, default bench/data; skipped when
// absent).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "data_dir.hpp"
#include "tessary/common/io.hpp"
#include "tessary/dat/archive_reader.hpp"
#include "tessary/dat/archive_writer.hpp"

namespace {

namespace fs = std::filesystem;
using tessary::File;
using tessary::ResourceNamespace;
using tessary::TsyReader;
using tessary::TsyStreamWriter;

fs::path g_data_dir;

constexpr uint32_t kEntries = 2000;

// Entries of 256 bytes to 16 KiB, text-like with some noise: most compress, a few do not.
const std::vector<std::vector<uint8_t>>& entry_bytes() {
  static const auto entries = [] {
    std::mt19937 rng(7);
    static constexpr std::string_view kWords[] = {"portal ", "cell ",   "texture ", "0x0E000003 ",
                                                  "spell ",  "weenie ", "vertex "};
    std::vector<std::vector<uint8_t>> out(kEntries);
    for (auto& e : out) {
      const size_t n = 256u << (rng() % 7);
      while (e.size() < n) {
        if (rng() % 100 < 15) e.push_back(static_cast<uint8_t>(rng()));
        const std::string_view w = kWords[rng() % std::size(kWords)];
        e.insert(e.end(), w.begin(), w.end());
      }
      e.resize(n);
    }
    return out;
  }();
  return entries;
}

int64_t total_bytes() {
  int64_t n = 0;
  for (const auto& e : entry_bytes())
    n += static_cast<int64_t>(e.size());
  return n;
}

bool write_archive(const fs::path& path) {
  auto file = File::create(path);
  if (!file) return false;
  auto w = TsyStreamWriter::create(std::move(*file), true);
  if (!w) return false;
  for (uint32_t i = 0; i < kEntries; ++i)
    if (!w->add("eor/portal", 0x06000000 + i, 6, entry_bytes()[i])) return false;
  return static_cast<bool>(TsyStreamWriter::finish(std::move(*w)));
}

const fs::path& archive_path() {
  static const fs::path path = fs::temp_directory_path() / "bench_tsy_entries.tsy";
  return path;
}

void BM_ZstdPackEntries(benchmark::State& state) {
  for (auto _ : state)
    if (!write_archive(archive_path())) state.SkipWithError("cannot write the archive");
  state.SetItemsProcessed(state.iterations() * kEntries);
  state.SetBytesProcessed(state.iterations() * total_bytes());
}

void BM_ZstdReadEntries(benchmark::State& state) {
  if (!write_archive(archive_path())) return state.SkipWithError("cannot write the archive");
  auto reader = TsyReader::open(archive_path());
  if (!reader) return state.SkipWithError(reader.error().message().c_str());
  for (auto _ : state)
    for (uint32_t i = 0; i < kEntries; ++i) {
      auto entry = reader->read_entry_at(i);
      auto data = reader->read_entry_data(entry.value());
      if (!data || data->size() != entry_bytes()[i].size())
        return state.SkipWithError("round trip failed");
      benchmark::DoNotOptimize(data->data());
    }
  state.SetItemsProcessed(state.iterations() * kEntries);
  state.SetBytesProcessed(state.iterations() * total_bytes());
}

// Lookups of entries spread over both namespaces of the million.
void BM_TsyIndexSearch(benchmark::State& state) {
  auto reader = TsyReader::open(g_data_dir / "tsy_1m.tsy");
  if (!reader) return state.SkipWithError(reader.error().message().c_str());
  std::vector<std::pair<ResourceNamespace, uint32_t>> keys;
  std::mt19937 rng(3);
  for (int i = 0; i < 4096; ++i) {
    auto e = reader->read_entry_at(static_cast<uint32_t>(rng() % reader->header().entry_count));
    keys.emplace_back(e.value().namespace_id().value(), e.value().file_id);
  }
  size_t next = 0;
  for (auto _ : state) {
    const auto& [ns, id] = keys[next++ % keys.size()];
    auto found = reader->find_entry_with_namespace_id(ns, id);
    if (!found || found->file_id != id) return state.SkipWithError("lookup failed");
    benchmark::DoNotOptimize(found->offset);
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_ZstdPackEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZstdReadEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TsyIndexSearch);

int main(int argc, char** argv) {
  g_data_dir = tessary::bench::data_dir_from_args(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove(archive_path(), ignored);
  return 0;
}
