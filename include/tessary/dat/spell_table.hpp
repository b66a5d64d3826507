#pragma once
// The client's spell table resource: every spell definition and the spell sets. Read front to
// back; alignment steps are relative to the start of the resource, so a cursor over the whole
// resource at position 0 is the only valid input.

#include <absl/container/flat_hash_map.h>

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "tessary/common/cursor.hpp"

namespace tessary {

// Stored inline after `meta_spell_type`, with no tag of its own: the type decides which variant
// is present. Fields no operation interprets hold their stored bits unchanged.
struct SpellExtras {
  // meta_spell_type 1 or 12.
  struct Enchantment {
    uint64_t duration = 0;
    uint32_t degrade_modifier = 0;
    uint32_t degrade_limit = 0;
  };
  // meta_spell_type 7.
  struct PortalSummon {
    uint64_t portal_lifetime = 0;
  };
  // Every other type; no bytes.
  struct None {};

  std::variant<Enchantment, PortalSummon, None> value = None{};
};

struct SpellBase {
  std::string name;
  std::string description;
  uint32_t school = 0;  // 1 to 5: war, life, item, creature, void; other values kept as read
  uint32_t icon_id = 0;
  uint32_t category = 0;
  uint32_t bitfield = 0;
  uint32_t base_mana = 0;
  float base_range_constant = 0;
  float base_range_mod = 0;
  uint32_t power = 0;
  uint32_t spell_economy_mod = 0;
  uint32_t formula_version = 0;
  uint32_t component_loss = 0;
  uint32_t meta_spell_type = 0;
  uint32_t meta_spell_id = 0;
  SpellExtras extras;
  std::array<uint32_t, 8> raw_components{};  // as stored, not decoded
  uint32_t caster_effect = 0;
  uint32_t target_effect = 0;
  uint32_t fizzle_effect = 0;
  uint64_t recovery_interval = 0;
  uint32_t recovery_amount = 0;
  uint32_t display_order = 0;
  uint32_t non_component_target_type = 0;
  uint32_t mana_mod = 0;
};

struct SpellSetTiers {
  std::vector<uint32_t> spells;
};

struct SpellSet {
  absl::flat_hash_map<uint32_t, SpellSetTiers> tiers;
};

struct SpellTable {
  static constexpr uint32_t kFileId = 0x0E00000E;

  uint32_t id = 0;
  absl::flat_hash_map<uint32_t, SpellBase> spells;
  absl::flat_hash_map<uint32_t, SpellSet> spell_sets;

  // Decodes the whole resource. A later entry with an id already read replaces the earlier one;
  // bytes after the spell sets are ignored. Any failure abandons the whole table.
  static Decoded<SpellTable> read(Cursor& c);
};

}  // namespace tessary
