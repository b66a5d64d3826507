#include "tessary/dat/spell_table.hpp"

#include <fmt/format.h>

#include "tessary/dat/strings.hpp"

namespace tessary {

namespace {

constexpr const char* kEnchantmentCondition =
    "assertion failed: `meta_spell_type == 1 || meta_spell_type == 12`";
constexpr const char* kPortalSummonCondition = "assertion failed: `meta_spell_type == 7`";
constexpr const char* kNoneCondition =
    "assertion failed: `meta_spell_type != 1 && meta_spell_type != 12 && meta_spell_type != 7`";

// Smallest possible entries (key included), used to bound what a declared count may set aside: a
// spell has two 2-byte string lengths and 120 bytes of fixed fields; a set or a tier has at least
// its 4-byte count.
constexpr uint64_t kMinSpellEntry = 4 + 2 + 2 + 120;
constexpr uint64_t kMinSetEntry = 4 + 4;
constexpr uint64_t kMinTierEntry = 4 + 4;

// A 16-bit entry count, a 16-bit bucket count the reader has no use for, then count pairs of a
// 32-bit key and a value. A key read again replaces the earlier entry. Values are read straight
// into their places in the map; a failure abandons the whole map, half-read value included.
template <typename V>
Decoded<absl::flat_hash_map<uint32_t, V>> read_packed_table(Cursor& c, uint64_t min_entry,
                                                            Decoded<void> (*read_value)(Cursor&,
                                                                                        V&)) {
  const uint16_t count = TRY(c.u16());
  (void)TRY(c.u16());
  absl::flat_hash_map<uint32_t, V> map;
  map.reserve(c.capacity_for(count, min_entry));
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t key = TRY(c.u32());
    auto [entry, added] = map.try_emplace(key);
    if (!added) entry->second = V{};
    TRY(read_value(c, entry->second));
  }
  return map;
}

bool is_enchantment(uint32_t meta_spell_type) {
  return meta_spell_type == 1 || meta_spell_type == 12;
}
bool is_portal_summon(uint32_t meta_spell_type) {
  return meta_spell_type == 7;
}

Decoded<SpellExtras> read_enchantment(Cursor& c) {
  constexpr const char* kRecord = "SpellExtras::Enchantment";
  SpellExtras::Enchantment e;
  e.duration = TRY_FIELD(c.u64(), "duration", kRecord);
  e.degrade_modifier = TRY_FIELD(c.u32(), "degrade_modifier", kRecord);
  e.degrade_limit = TRY_FIELD(c.u32(), "degrade_limit", kRecord);
  return SpellExtras{e};
}

Decoded<SpellExtras> read_portal_summon(Cursor& c) {
  SpellExtras::PortalSummon p;
  p.portal_lifetime = TRY_FIELD(c.u64(), "portal_lifetime", "SpellExtras::PortalSummon");
  return SpellExtras{p};
}

// The variants are tried in the order Enchantment, PortalSummon, None. Their conditions on the
// type exclude each other, so only the variant whose condition holds can match; the assertion
// failures of the others are built only for the error when that one runs out of bytes, which
// keeps the common path free of error texts.
Decoded<SpellExtras> read_extras(Cursor& c, uint32_t meta_spell_type) {
  const uint64_t start = c.pos();
  const bool enchantment = is_enchantment(meta_spell_type);
  const bool portal_summon = is_portal_summon(meta_spell_type);
  Decoded<SpellExtras> read = enchantment     ? read_enchantment(c)
                              : portal_summon ? read_portal_summon(c)
                                              : SpellExtras{SpellExtras::None{}};
  if (read) return read;
  c.seek(start);
  auto unmet = [start](const char* condition) { return DecodeError::assertion(condition, start); };
  std::vector<VariantError> variants;
  variants.push_back({"Enchantment", enchantment ? read.error() : unmet(kEnchantmentCondition)});
  variants.push_back(
      {"PortalSummon", portal_summon ? read.error() : unmet(kPortalSummonCondition)});
  variants.push_back({"None", unmet(kNoneCondition)});
  return std::unexpected(DecodeError::no_variant_match(start, std::move(variants)));
}

// The fields after the description, one at a time: the reader for a record that is cut short, which
// names the field that runs out.
Decoded<void> read_fields_one_by_one(Cursor& c, SpellBase& s) {
  constexpr const char* kRecord = "SpellBase";
  s.school = TRY_FIELD(c.u32(), "school", kRecord);
  s.icon_id = TRY_FIELD(c.u32(), "icon_id", kRecord);
  s.category = TRY_FIELD(c.u32(), "category", kRecord);
  s.bitfield = TRY_FIELD(c.u32(), "bitfield", kRecord);
  s.base_mana = TRY_FIELD(c.u32(), "base_mana", kRecord);
  s.base_range_constant = TRY_FIELD(c.f32(), "base_range_constant", kRecord);
  s.base_range_mod = TRY_FIELD(c.f32(), "base_range_mod", kRecord);
  s.power = TRY_FIELD(c.u32(), "power", kRecord);
  s.spell_economy_mod = TRY_FIELD(c.u32(), "spell_economy_mod", kRecord);
  s.formula_version = TRY_FIELD(c.u32(), "formula_version", kRecord);
  s.component_loss = TRY_FIELD(c.u32(), "component_loss", kRecord);
  s.meta_spell_type = TRY_FIELD(c.u32(), "meta_spell_type", kRecord);
  s.meta_spell_id = TRY_FIELD(c.u32(), "meta_spell_id", kRecord);
  s.extras = TRY_FIELD(read_extras(c, s.meta_spell_type), "extras", kRecord);
  for (uint32_t& component : s.raw_components)
    component = TRY_FIELD(c.u32(), "raw_components", kRecord);
  s.caster_effect = TRY_FIELD(c.u32(), "caster_effect", kRecord);
  s.target_effect = TRY_FIELD(c.u32(), "target_effect", kRecord);
  s.fizzle_effect = TRY_FIELD(c.u32(), "fizzle_effect", kRecord);
  s.recovery_interval = TRY_FIELD(c.u64(), "recovery_interval", kRecord);
  s.recovery_amount = TRY_FIELD(c.u32(), "recovery_amount", kRecord);
  s.display_order = TRY_FIELD(c.u32(), "display_order", kRecord);
  s.non_component_target_type = TRY_FIELD(c.u32(), "non_component_target_type", kRecord);
  s.mana_mod = TRY_FIELD(c.u32(), "mana_mod", kRecord);
  return {};
}

// After the description every field has a fixed size once `meta_spell_type` is known: 52 bytes
// from `school` to `meta_spell_id`, then the extras, then 68 bytes from `raw_components` to
// `mana_mod`.
constexpr uint64_t kLeadSize = 52;
constexpr uint64_t kTrailSize = 68;

// The same fields read at constant offsets after one size check. False, with the position
// unchanged, when the record is cut short within them.
bool read_fields_at_once(Cursor& c, SpellBase& s) {
  const uint64_t start = c.pos();
  if (c.remaining() < kLeadSize) return false;
  const uint8_t* p = c.bytes(kLeadSize)->data();
  const uint32_t type = load_le<uint32_t>(p + 44);
  const uint64_t extras_size = is_enchantment(type) ? 16 : is_portal_summon(type) ? 8 : 0;
  if (c.remaining() < extras_size + kTrailSize) {
    c.seek(start);
    return false;
  }
  s.school = load_le<uint32_t>(p);
  s.icon_id = load_le<uint32_t>(p + 4);
  s.category = load_le<uint32_t>(p + 8);
  s.bitfield = load_le<uint32_t>(p + 12);
  s.base_mana = load_le<uint32_t>(p + 16);
  s.base_range_constant = load_le<float>(p + 20);
  s.base_range_mod = load_le<float>(p + 24);
  s.power = load_le<uint32_t>(p + 28);
  s.spell_economy_mod = load_le<uint32_t>(p + 32);
  s.formula_version = load_le<uint32_t>(p + 36);
  s.component_loss = load_le<uint32_t>(p + 40);
  s.meta_spell_type = type;
  s.meta_spell_id = load_le<uint32_t>(p + 48);

  p = c.bytes(extras_size + kTrailSize)->data();
  if (is_enchantment(type))
    s.extras = {SpellExtras::Enchantment{load_le<uint64_t>(p), load_le<uint32_t>(p + 8),
                                         load_le<uint32_t>(p + 12)}};
  else if (is_portal_summon(type))
    s.extras = {SpellExtras::PortalSummon{load_le<uint64_t>(p)}};
  p += extras_size;
  for (size_t i = 0; i < s.raw_components.size(); ++i)
    s.raw_components[i] = load_le<uint32_t>(p + 4 * i);
  s.caster_effect = load_le<uint32_t>(p + 32);
  s.target_effect = load_le<uint32_t>(p + 36);
  s.fizzle_effect = load_le<uint32_t>(p + 40);
  s.recovery_interval = load_le<uint64_t>(p + 44);
  s.recovery_amount = load_le<uint32_t>(p + 52);
  s.display_order = load_le<uint32_t>(p + 56);
  s.non_component_target_type = load_le<uint32_t>(p + 60);
  s.mana_mod = load_le<uint32_t>(p + 64);
  return true;
}

Decoded<void> read_spell_base(Cursor& c, SpellBase& s) {
  constexpr const char* kRecord = "SpellBase";
  s.name = TRY_FIELD(read_obfuscated_string(c), "name", kRecord);
  c.align4();
  s.description = TRY_FIELD(read_obfuscated_string(c), "description", kRecord);
  c.align4();
  if (!read_fields_at_once(c, s)) TRY(read_fields_one_by_one(c, s));
  return {};
}

// A negative count fails without a field context of its own: it is the list's size that is bad,
// not a read of the count.
Decoded<void> read_spell_set_tiers(Cursor& c, SpellSetTiers& t) {
  const int32_t count = TRY_FIELD(c.i32(), "spell_count", "SpellSetTiers");
  if (count < 0)
    return std::unexpected(DecodeError::assertion(
        fmt::format("spell_count {} is out of range for a list size", count), c.pos()));
  t.spells.reserve(c.capacity_for(static_cast<uint64_t>(count), 4));
  for (int32_t i = 0; i < count; ++i)
    t.spells.push_back(TRY_FIELD(c.u32(), "spells", "SpellSetTiers"));
  return {};
}

Decoded<void> read_spell_set(Cursor& c, SpellSet& s) {
  s.tiers =
      TRY_FIELD(read_packed_table(c, kMinTierEntry, read_spell_set_tiers), "tiers", "SpellSet");
  return {};
}

}  // namespace

Decoded<SpellTable> SpellTable::read(Cursor& c) {
  SpellTable t;
  t.id = TRY_FIELD(c.u32(), "id", "SpellTable");
  t.spells =
      TRY_FIELD(read_packed_table(c, kMinSpellEntry, read_spell_base), "spells", "SpellTable");
  t.spell_sets =
      TRY_FIELD(read_packed_table(c, kMinSetEntry, read_spell_set), "spell_sets", "SpellTable");
  return t;
}

}  // namespace tessary
