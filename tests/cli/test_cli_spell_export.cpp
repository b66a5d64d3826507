// spell-export end to end: a DAT file holding a spell table built in a few lines, the document on
// standard output or in a file, and the failures with their whole report.
#include <gtest/gtest.h>

#include <limits>

#include "harness.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/spell_builder.hpp"

namespace tessary::cli_test {
namespace {

using testsupport::DatWriter;
using testsupport::SpellTableBuilder;

// Spells of every extras variant and school, with text in windows-1252 and behind a UTF-8 mark.
std::vector<uint8_t> spell_table() {
  SpellTableBuilder t;
  t.spell(10, {.name = "Armor",
               .description = "Hardens skin",
               .school = 4,
               .category = 7,
               .base_mana = 20,
               .base_range_constant = 2.0f,
               .base_range_mod = std::numeric_limits<float>::quiet_NaN(),
               .power = 100,
               .meta_spell_type = 1,
               .extras = {SpellExtras::Enchantment{0x40AC200000000000, 0, 0}}});
  t.spell(1, {.name = "Fl\xE8"
                      "che",
              .description = "Tir \x93rapide\x94",
              .school = 1,
              .category = 5,
              .base_mana = 10,
              .base_range_constant = 0.1f,
              .base_range_mod = 1.5f,
              .power = 50,
              .formula_version = 1,
              .raw_components = {1, 2, 3, 0, 0, 0, 0, 4294967295},
              .mana_mod = 3});
  t.spell(9, {.name = "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F"
                      "e",
              .description = "line1\nline2\t\"quoted\"",
              .school = 2,
              .category = 5,
              .power = 75});
  t.spell(2, {.name = "Gate",
              .school = 5,
              .category = 7,
              .power = 10,
              .meta_spell_type = 7,
              .extras = {SpellExtras::PortalSummon{0x4072C00000000000}}});
  t.spell_set(1, {{.key = 1, .spells = {1, 9}}});
  return t.build();
}

std::vector<uint8_t> dat_with(std::span<const uint8_t> table) {
  DatWriter w;
  w.add_file(0x0E000002, std::string_view("other table"));
  if (!table.empty()) w.add_file(0x0E00000E, table);
  return w.finish();
}

void write_fixtures(const TempDir& dir) {
  const std::vector<uint8_t> table = spell_table();
  dir.write("portal.dat", dat_with(table));
  // The last spell, a portal summon, ends with 8 bytes of extras and 68 of components and effects;
  // 28 bytes of spell sets follow. Cut it halfway through its extras.
  dir.write("cut.dat", dat_with(std::span(table).first(table.size() - 100)));
  dir.write("no-table.dat", dat_with({}));
  dir.write("blocker", std::string_view("a file, not a directory"));
}

TEST(CliSpellExport, Goldens) {
  struct Case {
    const char* golden;
    std::vector<std::string> args;
    const char* written = nullptr;  // a file the run writes, shown in the transcript
  };
  const Case cases[] = {
      {"spell_export_base", {"spell-export", "portal.dat"}},
      {"spell_export_fields_and_school",
       {"spell-export", "portal.dat", "--fields", "school,power", "--schools", "creature"}},
      {"spell_export_minimal_categories",
       {"spell-export", "portal.dat", "--preset", "minimal", "--categories", "5", "--schools",
        "life,war", "--fields", "power,name,power"}},
      {"spell_export_output_new_dirs",
       {"spell-export", "portal.dat", "--preset", "minimal", "-o", "out/deep/spells.json"},
       "out/deep/spells.json"},
      {"spell_export_nothing_matches",
       {"spell-export", "portal.dat", "--categories", "4294967295", "--output", "none.json"},
       "none.json"},
      {"spell_export_truncated", {"spell-export", "cut.dat"}},
      {"spell_export_missing_table", {"spell-export", "no-table.dat"}},
      {"spell_export_output_is_input", {"spell-export", "portal.dat", "-o", "portal.dat"}},
      {"spell_export_parent_is_file", {"spell-export", "portal.dat", "-o", "blocker/x.json"}},
      {"spell_export_output_is_directory", {"spell-export", "portal.dat", "-o", "out/"}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    write_fixtures(dir);
    std::filesystem::create_directory(dir / "out");
    std::string shown = transcript(c.args, run_tool(c.args, dir.path()));
    if (c.written) shown += std::string("--- file ") + c.written + "\n" + dir.read(c.written);
    expect_golden(c.golden, shown);
  }
}

TEST(CliSpellExport, RefusedOutputLeavesTheInputIntact) {
  TempDir dir;
  write_fixtures(dir);
  const std::string before = dir.read("portal.dat");
  EXPECT_EQ(run_tool({"spell-export", "portal.dat", "-o", "portal.dat"}, dir.path()).status, 1);
  EXPECT_EQ(dir.read("portal.dat"), before);
}

}  // namespace
}  // namespace tessary::cli_test
