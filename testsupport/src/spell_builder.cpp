#include "tessary/testsupport/spell_builder.hpp"

#include <bit>
#include <string_view>
#include <type_traits>

namespace tessary::testsupport {

namespace {

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}

  template <typename T>
  void put(T value) {
    static_assert(std::is_arithmetic_v<T>);
    const size_t at = out_.size();
    out_.resize(at + sizeof(T));
    store_le(out_.data() + at, value);
  }
  // Zero padding up to the next multiple of 4 of the resource position.
  void align4() { out_.resize((out_.size() + 3) & ~size_t{3}); }
  void scrambled(std::string_view text) {
    put(static_cast<uint16_t>(text.size()));
    for (char ch : text) {
      const auto b = static_cast<uint8_t>(ch);
      out_.push_back(static_cast<uint8_t>(b << 4 | b >> 4));
    }
  }

 private:
  std::vector<uint8_t>& out_;
};

struct ExtrasWriter {
  ByteWriter& w;
  void operator()(const SpellExtras::Enchantment& e) const {
    w.put(e.duration);
    w.put(e.degrade_modifier);
    w.put(e.degrade_limit);
  }
  void operator()(const SpellExtras::PortalSummon& p) const { w.put(p.portal_lifetime); }
  void operator()(const SpellExtras::None&) const {}
};

void write_spell(ByteWriter& w, const SpellBase& s) {
  w.scrambled(s.name);
  w.align4();
  w.scrambled(s.description);
  w.align4();
  for (uint32_t v : {s.school, s.icon_id, s.category, s.bitfield, s.base_mana})
    w.put(v);
  w.put(s.base_range_constant);
  w.put(s.base_range_mod);
  for (uint32_t v : {s.power, s.spell_economy_mod, s.formula_version, s.component_loss,
                     s.meta_spell_type, s.meta_spell_id})
    w.put(v);
  std::visit(ExtrasWriter{w}, s.extras.value);
  for (uint32_t v : s.raw_components)
    w.put(v);
  for (uint32_t v : {s.caster_effect, s.target_effect, s.fizzle_effect})
    w.put(v);
  w.put(s.recovery_interval);
  for (uint32_t v : {s.recovery_amount, s.display_order, s.non_component_target_type, s.mana_mod})
    w.put(v);
}

// Count and bucket count of a packed hash table; readers ignore the bucket count.
void table_header(ByteWriter& w, size_t count) {
  w.put(static_cast<uint16_t>(count));
  w.put(static_cast<uint16_t>(64));
}

}  // namespace

SpellTableBuilder& SpellTableBuilder::spell(uint32_t id, SpellBase spell) {
  spells_.emplace_back(id, std::move(spell));
  return *this;
}

SpellTableBuilder& SpellTableBuilder::spell_set(uint32_t id, std::vector<Tier> tiers) {
  sets_.push_back({id, std::move(tiers)});
  return *this;
}

std::vector<uint8_t> SpellTableBuilder::build() const {
  std::vector<uint8_t> out;
  out.reserve(12 + spells_.size() * 160);
  ByteWriter w(out);
  w.put(id_);
  table_header(w, spells_.size());
  for (const auto& [id, spell] : spells_) {
    w.put(id);
    write_spell(w, spell);
  }
  table_header(w, sets_.size());
  for (const SetEntry& set : sets_) {
    w.put(set.id);
    table_header(w, set.tiers.size());
    for (const Tier& tier : set.tiers) {
      w.put(tier.key);
      w.put(tier.count.value_or(static_cast<int32_t>(tier.spells.size())));
      for (uint32_t spell : tier.spells)
        w.put(spell);
    }
  }
  return out;
}

}  // namespace tessary::testsupport
