// Decoding and exporting a spell table of 10,000 spells, the size of a large client table.
#include <benchmark/benchmark.h>

#include <fmt/format.h>

#include "tessary/testsupport/spell_builder.hpp"
#include "tessary/tools/spell_export.hpp"

namespace {

using tessary::Cursor;
using tessary::SpellExtras;
using tessary::SpellTable;

constexpr uint32_t kSpells = 10'000;

const std::vector<uint8_t>& table_bytes() {
  static const std::vector<uint8_t> bytes = [] {
    tessary::testsupport::SpellTableBuilder t;
    for (uint32_t id = 1; id <= kSpells; ++id) {
      const uint32_t type = id % 3 == 0 ? 1 : id % 7 == 0 ? 7 : 2;
      SpellExtras extras;
      if (type == 1) extras = {SpellExtras::Enchantment{id, 1, 2}};
      if (type == 7) extras = {SpellExtras::PortalSummon{id}};
      t.spell(id,
              {.name = fmt::format("Spell number {} of the table", id),
               .description = fmt::format("Description of spell {}, caf\xE9 \x93quoted\x94", id),
               .school = id % 5 + 1,
               .category = id % 300,
               .base_mana = id % 400,
               .base_range_constant = static_cast<float>(id) / 7.0f,
               .base_range_mod = 0.1f,
               .power = id % 500,
               .meta_spell_type = type,
               .extras = extras,
               .raw_components = {id, 2, 3, 4, 5, 6, 7, 8}});
    }
    t.spell_set(1, {{.key = 1, .spells = {1, 2, 3}}});
    return t.build();
  }();
  return bytes;
}

SpellTable decode() {
  Cursor c(table_bytes());
  return SpellTable::read(c).value();
}

void BM_SpellTableDecode(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(decode());
  state.SetItemsProcessed(state.iterations() * kSpells);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(table_bytes().size()));
}
BENCHMARK(BM_SpellTableDecode)->Unit(benchmark::kMillisecond);

void BM_SpellExportBasePreset(benchmark::State& state) {
  const SpellTable table = decode();
  for (auto _ : state) {
    auto file = tessary::export_spell_table(table, {});
    benchmark::DoNotOptimize(tessary::serialize_spell_export(file).value());
  }
  state.SetItemsProcessed(state.iterations() * kSpells);
}
BENCHMARK(BM_SpellExportBasePreset)->Unit(benchmark::kMillisecond);

// What the command does between fetching the resource and writing the document.
void BM_SpellDecodeAndExport(benchmark::State& state) {
  for (auto _ : state) {
    const SpellTable table = decode();
    auto file = tessary::export_spell_table(table, {});
    benchmark::DoNotOptimize(tessary::serialize_spell_export(file).value());
  }
  state.SetItemsProcessed(state.iterations() * kSpells);
}
BENCHMARK(BM_SpellDecodeAndExport)->Unit(benchmark::kMillisecond);

}  // namespace
