// Writes the bundled sample dataset: a portal-style and a cell-style DAT file built by the
// project's own writer, so `make run` needs no client files.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tessary/common/io.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/spell_builder.hpp"

using tessary::SpellExtras;
using tessary::testsupport::DatWriter;
using tessary::testsupport::SpellTableBuilder;

namespace {

// The spell table (0x0E00000E): spells of all five schools and every extras variant, with names
// in windows-1252, behind a UTF-8 mark and in UTF-16.
std::vector<uint8_t> sample_spell_table() {
  using Enchantment = SpellExtras::Enchantment;
  const uint64_t hour = 0x40AC200000000000;  // 3600.0 as stored
  SpellTableBuilder t;
  t.spell(1, {.name = "Flame Bolt I",
              .description = "Shoots a bolt of flame at the target.",
              .school = 1,
              .category = 5,
              .base_mana = 15,
              .base_range_constant = 5.0f,
              .base_range_mod = 1.0f,
              .power = 1,
              .formula_version = 1,
              .raw_components = {1, 27, 40, 0, 0, 0, 0, 0},
              .mana_mod = 1});
  t.spell(2, {.name = "Fl\xE8"
                      "che de givre",
              .description = "Lance une fl\xE8"
                             "che de glace \x96 rapide.",
              .school = 1,
              .category = 7,
              .base_mana = 25,
              .base_range_constant = 0.1f,
              .base_range_mod = 1.5f,
              .power = 50,
              .formula_version = 1,
              .mana_mod = 2});
  t.spell(3, {.name = "Heal Self I",
              .description = "Restores a little health.",
              .school = 2,
              .category = 67,
              .base_mana = 10,
              .power = 1,
              .formula_version = 1});
  t.spell(4, {.name = "Armor Self I",
              .description = "Hardens the caster's skin.",
              .school = 4,
              .category = 115,
              .base_mana = 15,
              .power = 1,
              .formula_version = 1,
              .meta_spell_type = 1,
              .extras = {Enchantment{hour, 0, 0}}});
  t.spell(5, {.name = "\xEF\xBB\xBF"
                      "St\xC3\xA4rke f\xC3\xBCr Gef\xC3\xA4hrten",
              .description = "\xEF\xBB\xBF"
                             "Erh\xC3\xB6ht die St\xC3\xA4rke eines Gef\xC3\xA4hrten.",
              .school = 4,
              .category = 1,
              .base_mana = 30,
              .base_range_constant = 2.0f,
              .power = 10,
              .formula_version = 1,
              .meta_spell_type = 12,
              .extras = {Enchantment{hour, 1, 2}}});
  t.spell(6, {.name = "Blade Bane I",
              .description = "Protects armor from slashing.",
              .school = 3,
              .category = 37,
              .base_mana = 15,
              .power = 1,
              .formula_version = 1,
              .meta_spell_type = 1,
              .extras = {Enchantment{hour, 0, 0}}});
  t.spell(7, {.name = "Summon Portal",
              .description = "Opens a portal for a while.",
              .school = 3,
              .category = 238,
              .base_mana = 50,
              .power = 200,
              .formula_version = 1,
              .meta_spell_type = 7,
              .extras = {SpellExtras::PortalSummon{0x4072C00000000000}}});  // 300.0
  t.spell(8, {.name = std::string("\xFF\xFE\xA9\x03m\0e\0g\0a\0 \0V\0o\0i\0d\0", 22),
              .description = "A bolt of nether.",
              .school = 5,
              .category = 5,
              .base_mana = 40,
              .base_range_constant = 3.5f,
              .power = 250,
              .formula_version = 1});
  t.spell_set(1, {{.key = 1, .spells = {4, 6}}, {.key = 2, .spells = {4, 5, 6}}});
  return t.build();
}

std::vector<uint8_t> portal() {
  DatWriter w(1024, 1);
  w.add_file(0x0100002A, std::string(300, 'm'));
  w.add_file(0x0600127D, std::string(2500, 't'));
  w.add_file(0x0A000001, std::string(64, 's'));
  w.add_file(0x0E000002, std::string(40, 'x'));
  w.add_file(0x0E00000E, sample_spell_table());
  return w.finish();
}

std::vector<uint8_t> cell() {
  DatWriter w(256, 2);
  w.add_file(0xA9B4FFFF, std::string(251, '\0'));
  w.add_file(0xA9B40100, std::string(90, 'c'));
  return w.finish();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sample DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  for (auto [name, bytes] : {std::pair{"portal.dat", portal()}, std::pair{"cell.dat", cell()}}) {
    if (auto w = tessary::write_file(dir / name, bytes); !w) {
      std::fprintf(stderr, "make-sample: %s: %s\n", name, w.error().message.c_str());
      return 1;
    }
  }
  return 0;
}
