#include <gtest/gtest.h>

#include <fmt/format.h>

#include <bit>
#include <cstring>

#include "tessary/dat/spell_table.hpp"
#include "tessary/testsupport/spell_builder.hpp"

namespace tessary {
namespace {

using testsupport::SpellTableBuilder;
using testsupport::Tier;

Decoded<SpellTable> decode(const std::vector<uint8_t>& bytes) {
  Cursor c(bytes);
  return SpellTable::read(c);
}

std::string error_text(const std::vector<uint8_t>& bytes) {
  auto t = decode(bytes);
  if (t) return "(decoded)";
  return t.error().to_string();
}

std::vector<uint8_t> truncated(std::vector<uint8_t> bytes, size_t length) {
  bytes.resize(length);
  return bytes;
}

// Appends little-endian values by hand, independently of the builder.
struct Bytes {
  std::vector<uint8_t> v;
  Bytes& u8(std::initializer_list<uint8_t> bs) {
    v.insert(v.end(), bs);
    return *this;
  }
  Bytes& u16(uint16_t x) { return u8({uint8_t(x), uint8_t(x >> 8)}); }
  Bytes& u32(uint32_t x) { return u16(uint16_t(x)).u16(uint16_t(x >> 16)); }
  Bytes& u64(uint64_t x) { return u32(uint32_t(x)).u32(uint32_t(x >> 32)); }
  Bytes& f32(float x) { return u32(std::bit_cast<uint32_t>(x)); }
};

TEST(SpellTable, ReadsEveryFieldAtItsResourcePosition) {
  Bytes b;
  b.u32(0x0E00000E).u16(1).u16(64).u32(77);
  // name "ABCDE" at 12..18 (scrambled), one padding byte at 19, description length at 20
  b.u16(5).u8({0x14, 0x24, 0x34, 0x44, 0x54}).u8({0});
  ASSERT_EQ(b.v.size(), 20u);
  b.u16(2).u8({0x84, 0x96});  // "Hi", ends at 24: no padding
  b.u32(4).u32(0x06001234).u32(17).u32(0x8001).u32(30).f32(1.5f).f32(0.25f).u32(50);
  b.u32(0xE1).u32(3).u32(0xC1).u32(12).u32(0x99);
  b.u64(0x0102030405060708).u32(0xD1).u32(0xD2);  // Enchantment extras
  for (uint32_t k = 1; k <= 8; ++k)
    b.u32(100 + k);
  b.u32(0xCA).u32(0x7A).u32(0xF1).u64(0x1122334455667788).u32(0xAA).u32(0xDD).u32(0x10).u32(5);
  b.u16(1).u16(64).u32(900).u16(1).u16(64).u32(2).u32(2).u32(77).u32(78);
  b.u8({0xEE, 0xEE});  // bytes after the spell sets are ignored

  SpellBase expected{.name = "ABCDE",
                     .description = "Hi",
                     .school = 4,
                     .icon_id = 0x06001234,
                     .category = 17,
                     .bitfield = 0x8001,
                     .base_mana = 30,
                     .base_range_constant = 1.5f,
                     .base_range_mod = 0.25f,
                     .power = 50,
                     .spell_economy_mod = 0xE1,
                     .formula_version = 3,
                     .component_loss = 0xC1,
                     .meta_spell_type = 12,
                     .meta_spell_id = 0x99,
                     .extras = {SpellExtras::Enchantment{0x0102030405060708, 0xD1, 0xD2}},
                     .raw_components = {101, 102, 103, 104, 105, 106, 107, 108},
                     .caster_effect = 0xCA,
                     .target_effect = 0x7A,
                     .fizzle_effect = 0xF1,
                     .recovery_interval = 0x1122334455667788,
                     .recovery_amount = 0xAA,
                     .display_order = 0xDD,
                     .non_component_target_type = 0x10,
                     .mana_mod = 5};
  SpellTableBuilder builder;
  builder.spell(77, expected).spell_set(900, {{.key = 2, .spells = {77, 78}}});
  std::vector<uint8_t> built = builder.build();
  EXPECT_EQ(truncated(b.v, b.v.size() - 2), built) << "the builder writes the same layout";

  SpellTable t = decode(b.v).value();
  EXPECT_EQ(t.id, 0x0E00000Eu);
  ASSERT_EQ(t.spells.size(), 1u);
  const SpellBase& s = t.spells.at(77);
  EXPECT_EQ(s.name, "ABCDE");
  EXPECT_EQ(s.description, "Hi");
  EXPECT_EQ(s.school, 4u);
  EXPECT_EQ(s.icon_id, 0x06001234u);
  EXPECT_EQ(s.category, 17u);
  EXPECT_EQ(s.bitfield, 0x8001u);
  EXPECT_EQ(s.base_mana, 30u);
  EXPECT_EQ(s.base_range_constant, 1.5f);
  EXPECT_EQ(s.base_range_mod, 0.25f);
  EXPECT_EQ(s.power, 50u);
  EXPECT_EQ(s.spell_economy_mod, 0xE1u);
  EXPECT_EQ(s.formula_version, 3u);
  EXPECT_EQ(s.component_loss, 0xC1u);
  EXPECT_EQ(s.meta_spell_type, 12u);
  EXPECT_EQ(s.meta_spell_id, 0x99u);
  const auto& e = std::get<SpellExtras::Enchantment>(s.extras.value);
  EXPECT_EQ(e.duration, 0x0102030405060708u);
  EXPECT_EQ(e.degrade_modifier, 0xD1u);
  EXPECT_EQ(e.degrade_limit, 0xD2u);
  EXPECT_EQ(s.raw_components, (std::array<uint32_t, 8>{101, 102, 103, 104, 105, 106, 107, 108}));
  EXPECT_EQ(s.caster_effect, 0xCAu);
  EXPECT_EQ(s.target_effect, 0x7Au);
  EXPECT_EQ(s.fizzle_effect, 0xF1u);
  EXPECT_EQ(s.recovery_interval, 0x1122334455667788u);
  EXPECT_EQ(s.recovery_amount, 0xAAu);
  EXPECT_EQ(s.display_order, 0xDDu);
  EXPECT_EQ(s.non_component_target_type, 0x10u);
  EXPECT_EQ(s.mana_mod, 5u);
  ASSERT_EQ(t.spell_sets.size(), 1u);
  EXPECT_EQ(t.spell_sets.at(900).tiers.at(2).spells, (std::vector<uint32_t>{77, 78}));
}

TEST(SpellTable, EmptyTableIsTwelveBytes) {
  const std::vector<uint8_t> bytes = SpellTableBuilder(0x0E00000E).build();
  ASSERT_EQ(bytes.size(), 12u);
  SpellTable t = decode(bytes).value();
  EXPECT_EQ(t.id, 0x0E00000Eu);
  EXPECT_TRUE(t.spells.empty());
  EXPECT_TRUE(t.spell_sets.empty());
}

TEST(SpellTable, PaddingFollowsEachStringToTheNextMultipleOfFour) {
  // Every name and description length from 0 to 4 puts the next field at a different offset; a
  // wrong step shifts every field after it.
  SpellTableBuilder b;
  for (uint32_t n = 0; n <= 4; ++n)
    for (uint32_t d = 0; d <= 4; ++d)
      b.spell(n * 10 + d, {.name = std::string(n, 'n'),
                           .description = std::string(d, 'd'),
                           .school = n,
                           .mana_mod = d});
  SpellTable t = decode(b.build()).value();
  ASSERT_EQ(t.spells.size(), 25u);
  for (uint32_t n = 0; n <= 4; ++n) {
    for (uint32_t d = 0; d <= 4; ++d) {
      const SpellBase& s = t.spells.at(n * 10 + d);
      EXPECT_EQ(s.name, std::string(n, 'n'));
      EXPECT_EQ(s.description, std::string(d, 'd'));
      EXPECT_EQ(s.school, n);
      EXPECT_EQ(s.mana_mod, d);
    }
  }
}

TEST(SpellTable, ALaterSpellWithTheSameIdReplacesTheEarlier) {
  SpellTableBuilder b;
  b.spell(5, {.name = "first"}).spell(6, {.name = "other"}).spell(5, {.name = "second"});
  SpellTable t = decode(b.build()).value();
  EXPECT_EQ(t.spells.size(), 2u);
  EXPECT_EQ(t.spells.at(5).name, "second");
}

// Entries are read in place; a replaced one must keep nothing of the earlier record: not its
// extras (type 3 reads none), not its tier lists.
TEST(SpellTable, AReplacedEntryKeepsNothingOfTheEarlier) {
  SpellTableBuilder b;
  b.spell(5, {.meta_spell_type = 1, .extras = {SpellExtras::Enchantment{9, 8, 7}}});
  b.spell(5, {.meta_spell_type = 3});
  b.spell_set(1, {{.key = 10, .spells = {1, 2}}, {.key = 10, .spells = {3}}});
  b.spell_set(2, {{.key = 20, .spells = {4}}});
  b.spell_set(2, {{.key = 21, .spells = {5}}});
  SpellTable t = decode(b.build()).value();
  EXPECT_TRUE(std::holds_alternative<SpellExtras::None>(t.spells.at(5).extras.value));
  EXPECT_EQ(t.spell_sets.at(1).tiers.at(10).spells, (std::vector<uint32_t>{3}));
  EXPECT_EQ(t.spell_sets.at(2).tiers.size(), 1u);
  EXPECT_EQ(t.spell_sets.at(2).tiers.at(21).spells, (std::vector<uint32_t>{5}));
}

TEST(SpellTable, ExtrasVariantFollowsTheMetaSpellType) {
  struct Case {
    uint32_t type;
    SpellExtras extras;
    size_t extras_bytes;
  };
  const Case cases[] = {
      {1, {SpellExtras::Enchantment{10, 11, 12}}, 16},
      {12, {SpellExtras::Enchantment{20, 21, 22}}, 16},
      {7, {SpellExtras::PortalSummon{30}}, 8},
      {0, {SpellExtras::None{}}, 0},
      {3, {SpellExtras::None{}}, 0},
      {13, {SpellExtras::None{}}, 0},
  };
  const size_t no_extras_size = SpellTableBuilder().spell(1, {}).build().size();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    const std::vector<uint8_t> bytes =
        SpellTableBuilder()
            .spell(1, {.meta_spell_type = c.type, .extras = c.extras, .raw_components = {9}})
            .build();
    EXPECT_EQ(bytes.size(), no_extras_size + c.extras_bytes);
    const SpellBase s = decode(bytes).value().spells.at(1);
    EXPECT_EQ(s.extras.value.index(), c.extras.value.index());
    EXPECT_EQ(s.raw_components[0], 9u) << "raw_components follow the extras";
    if (auto* e = std::get_if<SpellExtras::Enchantment>(&s.extras.value)) {
      const auto& want = std::get<SpellExtras::Enchantment>(c.extras.value);
      EXPECT_EQ(e->duration, want.duration);
      EXPECT_EQ(e->degrade_modifier, want.degrade_modifier);
      EXPECT_EQ(e->degrade_limit, want.degrade_limit);
    }
    if (auto* p = std::get_if<SpellExtras::PortalSummon>(&s.extras.value)) {
      EXPECT_EQ(p->portal_lifetime, 30u);
    }
  }
}

TEST(SpellTable, SpellSetTiers) {
  SpellTableBuilder b;
  b.spell_set(1, {{.key = 10, .spells = {}}, {.key = 11, .spells = {3, 4, 5}}});
  b.spell_set(2, {});
  SpellTable t = decode(b.build()).value();
  ASSERT_EQ(t.spell_sets.size(), 2u);
  EXPECT_TRUE(t.spell_sets.at(1).tiers.at(10).spells.empty());
  EXPECT_EQ(t.spell_sets.at(1).tiers.at(11).spells, (std::vector<uint32_t>{3, 4, 5}));
  EXPECT_TRUE(t.spell_sets.at(2).tiers.empty());
}

// One spell of type 0 with empty strings, then one set with one tier of two spells. Offsets:
// spell id 8, name 12, description 16, school 20 ... mana_mod 136, spell_sets 140, set id 144,
// tiers 148, tier key 152, spell_count 156, spells 160, end 168.
std::vector<uint8_t> small_table() {
  return SpellTableBuilder().spell(1, {}).spell_set(2, {{.key = 3, .spells = {5, 6}}}).build();
}

TEST(SpellTable, EveryFailureCarriesItsContextChain) {
  const std::string spells = "\nWhile parsing field 'spells' in SpellTable";
  const std::string sets = "\nWhile parsing field 'spell_sets' in SpellTable";
  const std::string tiers = "\nWhile parsing field 'tiers' in SpellSet" + sets;
  const std::string eof = "failed to fill whole buffer";
  struct Case {
    size_t length;
    std::string error;
  };
  std::vector<Case> cases = {
      {2, eof + "\nWhile parsing field 'id' in SpellTable"},
      {5, eof + spells},   // count
      {7, eof + spells},   // bucket count
      {10, eof + spells},  // spell id
      {141, eof + sets},   // count
      {143, eof + sets},   // bucket count
      {146, eof + sets},   // set id
      {149, eof + tiers},  // count
      {151, eof + tiers},  // bucket count
      {154, eof + tiers},  // tier key
      {158, eof + "\nWhile parsing field 'spell_count' in SpellSetTiers" + tiers},
      {164, eof + "\nWhile parsing field 'spells' in SpellSetTiers" + tiers},
  };
  const std::pair<const char*, size_t> spell_fields[] = {
      {"name", 12},
      {"description", 16},
      {"school", 20},
      {"icon_id", 24},
      {"category", 28},
      {"bitfield", 32},
      {"base_mana", 36},
      {"base_range_constant", 40},
      {"base_range_mod", 44},
      {"power", 48},
      {"spell_economy_mod", 52},
      {"formula_version", 56},
      {"component_loss", 60},
      {"meta_spell_type", 64},
      {"meta_spell_id", 68},
      {"raw_components", 72 + 20},
      {"caster_effect", 104},
      {"target_effect", 108},
      {"fizzle_effect", 112},
      {"recovery_interval", 116 + 4},
      {"recovery_amount", 124},
      {"display_order", 128},
      {"non_component_target_type", 132},
      {"mana_mod", 136},
  };
  for (auto [field, offset] : spell_fields)
    cases.push_back({offset + 1, fmt::format("{}\nWhile parsing field '{}' in SpellBase{}", eof,
                                             field, spells)});

  const std::vector<uint8_t> whole = small_table();
  ASSERT_EQ(whole.size(), 168u);
  ASSERT_TRUE(decode(whole));
  for (const Case& c : cases)
    EXPECT_EQ(error_text(truncated(whole, c.length)), c.error) << "cut at " << c.length;
}

TEST(SpellTable, NameTextCutShort) {
  std::vector<uint8_t> bytes = SpellTableBuilder().spell(1, {.name = "Fireball"}).build();
  EXPECT_EQ(error_text(truncated(bytes, 17)),
            "failed to fill whole buffer\nWhile parsing field 'name' in SpellBase\n"
            "While parsing field 'spells' in SpellTable");
}

TEST(SpellTable, ExtrasThatRunOutListEveryVariant) {
  const std::string enchantment_unmet =
      "assertion failed: `meta_spell_type == 1 || meta_spell_type == 12` at position 72";
  const std::string portal_unmet = "assertion failed: `meta_spell_type == 7` at position 72";
  const std::string none_unmet =
      "assertion failed: `meta_spell_type != 1 && meta_spell_type != 12 && meta_spell_type != 7` "
      "at position 72";
  const std::string context =
      "\nWhile parsing field 'extras' in SpellBase\nWhile parsing field 'spells' in SpellTable";
  struct Case {
    uint32_t type;
    size_t length;
    std::string error;
  };
  const Case cases[] = {
      {7, 72,
       "no variant matched at position 72:\n"
       "  Enchantment:\n    " +
           enchantment_unmet +
           "\n"
           "  PortalSummon:\n"
           "    failed to fill whole buffer\n"
           "    While parsing field 'portal_lifetime' in SpellExtras::PortalSummon\n"
           "  None:\n    " +
           none_unmet + context},
      {1, 72 + 14,
       "no variant matched at position 72:\n"
       "  Enchantment:\n"
       "    failed to fill whole buffer\n"
       "    While parsing field 'degrade_limit' in SpellExtras::Enchantment\n"
       "  PortalSummon:\n    " +
           portal_unmet +
           "\n"
           "  None:\n    " +
           none_unmet + context},
      {12, 75,
       "no variant matched at position 72:\n"
       "  Enchantment:\n"
       "    failed to fill whole buffer\n"
       "    While parsing field 'duration' in SpellExtras::Enchantment\n"
       "  PortalSummon:\n    " +
           portal_unmet +
           "\n"
           "  None:\n    " +
           none_unmet + context},
      {12, 72 + 9,
       "no variant matched at position 72:\n"
       "  Enchantment:\n"
       "    failed to fill whole buffer\n"
       "    While parsing field 'degrade_modifier' in SpellExtras::Enchantment\n"
       "  PortalSummon:\n    " +
           portal_unmet +
           "\n"
           "  None:\n    " +
           none_unmet + context},
  };
  for (const Case& c : cases) {
    const auto bytes = SpellTableBuilder().spell(1, {.meta_spell_type = c.type}).build();
    EXPECT_EQ(error_text(truncated(bytes, c.length)), c.error) << "type " << c.type;
  }
}

TEST(SpellTable, NegativeSpellCountNamesTheCount) {
  const auto bytes = SpellTableBuilder().spell_set(2, {{.key = 3, .count = -1}}).build();
  EXPECT_EQ(error_text(bytes),
            "spell_count -1 is out of range for a list size at position 28\n"
            "While parsing field 'tiers' in SpellSet\n"
            "While parsing field 'spell_sets' in SpellTable");
}

TEST(SpellTable, HugeCountsFailOnTheMissingBytes) {
  // Counts far beyond the data: each fails at the end of the bytes that are there.
  const auto spells = Bytes().u32(1).u16(0xFFFF).u16(0).u32(7).v;
  EXPECT_EQ(error_text(spells),
            "failed to fill whole buffer\nWhile parsing field 'name' in SpellBase\n"
            "While parsing field 'spells' in SpellTable");
  const auto tiers = SpellTableBuilder().spell_set(2, {{.key = 3, .count = INT32_MAX}}).build();
  EXPECT_EQ(error_text(tiers),
            "failed to fill whole buffer\nWhile parsing field 'spells' in SpellSetTiers\n"
            "While parsing field 'tiers' in SpellSet\n"
            "While parsing field 'spell_sets' in SpellTable");
}

}  // namespace
}  // namespace tessary
