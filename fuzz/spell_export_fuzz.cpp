// The spell table decoder, then the whole export: both presets, every field, serialisation.
#include "fuzz_input.hpp"
#include "tessary/common/cursor.hpp"
#include "tessary/dat/spell_table.hpp"
#include "tessary/tools/spell_export.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessary;
  Cursor cursor(std::span<const uint8_t>(data, size));
  auto table = SpellTable::read(cursor);
  if (!table) {
    fuzz::describe(table.error());
    return 0;
  }
  for (SpellPreset preset : {SpellPreset::Base, SpellPreset::Minimal}) {
    SpellExportRequest request;
    request.preset = preset;
    if (preset == SpellPreset::Minimal)
      for (size_t f = 0; f < kSpellExportFieldNames.size(); ++f)
        request.fields.push_back(static_cast<SpellExportField>(f));
    (void)serialize_spell_export(export_spell_table(*table, request));
  }
  return 0;
}
