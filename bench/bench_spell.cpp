// Decoding and exporting a spell table of 10,000 spells, the size of a large client table.
#include <benchmark/benchmark.h>

#include "spell_fixture.hpp"
#include "tessary/tools/spell_export.hpp"

namespace {

using tessary::Cursor;
using tessary::SpellTable;
using tessary::bench::kBenchSpells;

const std::vector<uint8_t>& table_bytes() {
  static const std::vector<uint8_t> bytes = tessary::bench::build_spell_table();
  return bytes;
}

SpellTable decode() {
  Cursor c(table_bytes());
  return SpellTable::read(c).value();
}

void BM_SpellTableDecode(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(decode());
  state.SetItemsProcessed(state.iterations() * kBenchSpells);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(table_bytes().size()));
}
BENCHMARK(BM_SpellTableDecode)->Unit(benchmark::kMillisecond);

void BM_SpellExportBasePreset(benchmark::State& state) {
  const SpellTable table = decode();
  for (auto _ : state) {
    auto file = tessary::export_spell_table(table, {});
    benchmark::DoNotOptimize(tessary::serialize_spell_export(file).value());
  }
  state.SetItemsProcessed(state.iterations() * kBenchSpells);
}
BENCHMARK(BM_SpellExportBasePreset)->Unit(benchmark::kMillisecond);

// What the command does between fetching the resource and writing the document.
void BM_SpellDecodeAndExport(benchmark::State& state) {
  for (auto _ : state) {
    const SpellTable table = decode();
    auto file = tessary::export_spell_table(table, {});
    benchmark::DoNotOptimize(tessary::serialize_spell_export(file).value());
  }
  state.SetItemsProcessed(state.iterations() * kBenchSpells);
}
BENCHMARK(BM_SpellDecodeAndExport)->Unit(benchmark::kMillisecond);

}  // namespace
