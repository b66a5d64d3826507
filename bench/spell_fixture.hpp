#pragma once
// A spell table of 10,000 spells, the size of a large client table, shared by the spell-export
// benchmark and the generated spells DAT.

#include <fmt/format.h>

#include <cstdint>
#include <vector>

#include "tessary/testsupport/spell_builder.hpp"

namespace tessary::bench {

inline constexpr uint32_t kBenchSpells = 10'000;

inline std::vector<uint8_t> build_spell_table() {
  testsupport::SpellTableBuilder t;
  for (uint32_t id = 1; id <= kBenchSpells; ++id) {
    const uint32_t type = id % 3 == 0 ? 1 : id % 7 == 0 ? 7 : 2;
    SpellExtras extras;
    if (type == 1) extras = {SpellExtras::Enchantment{id, 1, 2}};
    if (type == 7) extras = {SpellExtras::PortalSummon{id}};
    t.spell(id, {.name = fmt::format("Spell number {} of the table", id),
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
}

}  // namespace tessary::bench
