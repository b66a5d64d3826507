#pragma once
// Builds spell table resources for tests, the sample dataset and benchmarks. A spell is described
// by a SpellBase with designated initializers, e.g.
//   SpellTableBuilder t;
//   t.spell(1, {.name = "Blast", .school = 1, .power = 50});
//   t.spell(2, {.name = "Gate", .meta_spell_type = 7, .extras = {SpellExtras::PortalSummon{60}}});
//   t.spell_set(9, {{.key = 1, .spells = {1, 2}}});
//   std::vector<uint8_t> bytes = t.build();

#include <cstdint>
#include <optional>
#include <vector>

#include "tessary/dat/spell_table.hpp"

namespace tessary::testsupport {

struct Tier {
  uint32_t key = 0;
  std::vector<uint32_t> spells;
  std::optional<int32_t> count;  // the stored spell_count when it must differ from spells.size()
};

class SpellTableBuilder {
 public:
  explicit SpellTableBuilder(uint32_t id = SpellTable::kFileId) : id_(id) {}

  // Entries are written in call order; an id may repeat. `name` and `description` are client bytes
  // (windows-1252, or UTF-8/UTF-16 after a byte-order mark), scrambled on write. The extras are
  // written as the variant held, whatever `meta_spell_type` says, so mismatches can be built.
  SpellTableBuilder& spell(uint32_t id, SpellBase spell);
  SpellTableBuilder& spell_set(uint32_t id, std::vector<Tier> tiers);

  std::vector<uint8_t> build() const;

 private:
  struct SetEntry {
    uint32_t id;
    std::vector<Tier> tiers;
  };

  uint32_t id_;
  std::vector<std::pair<uint32_t, SpellBase>> spells_;
  std::vector<SetEntry> sets_;
};

}  // namespace tessary::testsupport
