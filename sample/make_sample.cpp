// Writes the bundled sample dataset: a portal-style and a cell-style DAT file built by the
// project's own writer, and a directory of loose files to pack into an archive, so `make run`
// needs no client files. Each kind of resource has its own
// function; add new kinds the same way.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tessary/common/cursor.hpp"
#include "tessary/common/io.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/lrs_encoder.hpp"
#include "tessary/testsupport/record_builders.hpp"
#include "tessary/testsupport/spell_builder.hpp"

using tessary::SpellExtras;
using tessary::store_le;
using tessary::testsupport::DatWriter;
using tessary::testsupport::SpellTableBuilder;
using Bytes = std::vector<uint8_t>;

namespace {

namespace ts = tessary::testsupport;

// Two weenie tables (WCID 16 in both, so `weenie-find 0x10` shows two hits) and a standalone
// template with a name and an icon.
void add_weenie_samples(DatWriter& w) {
  const ts::WeenieBuilder apple{.class_id = 1,
                                .weenie_type = 1,
                                .ints = {{1, 128}, {19, 5}},
                                .floats = {{39, 1.0}},
                                .strings = {{1, "Apple"}, {16, "A crisp red apple."}},
                                .data_ids = {{1, 0x02000001}, {8, 0x06001234}}};
  const ts::WeenieBuilder lantern{.class_id = 16,
                                  .weenie_type = 1,
                                  .ints = {{1, 8}},
                                  .bools = {{1, 1}},
                                  .strings = {{1, "Lantern"}},
                                  .data_ids = {{8, 0x06002000}}};
  const ts::WeenieBuilder lit_lantern{.class_id = 16,
                                      .weenie_type = 35,
                                      .ints = {{1, 8}, {92, 100}},
                                      .strings = {{1, "Lit Lantern"}}};
  const ts::WeenieBuilder unnamed{.class_id = 3, .weenie_type = 2, .int64s = {{1, 1000}}};
  w.add_file(0x0E000007,
             ts::WeenieTableBuilder{.table_id = 0x0E000007, .entries = {{1, apple}, {16, lantern}}}
                 .bytes());
  w.add_file(0x0E000008, ts::WeenieTableBuilder{.table_id = 0x0E000008,
                                                .entries = {{3, unnamed}, {16, lit_lantern}}}
                             .bytes());
  w.add_file(0x0E001000, ts::WeenieBuilder{.class_id = 0x4000,
                                           .weenie_type = 7,
                                           .ints = {{1, 16}, {5, 50}, {19, 25}},
                                           .floats = {{54, 2.5}},
                                           .strings = {{1, "Sturdy Crate"}, {14, "Use to open."}},
                                           .data_ids = {{1, 0x02000100}, {8, 0x06003000}}}
                             .bytes());
}

tessary::Frame frame_at(float x, float y, float z) {
  return {.origin = {x, y, z}, .orientation = {1, 0, 0, 0}};
}

// A gentle slope rising to the north-east, with a peak in the middle.
tessary::CellLandblock terrain(uint32_t id, uint32_t has_objects) {
  tessary::CellLandblock lb{.id = id, .has_objects = has_objects};
  for (uint32_t x = 0; x < 9; ++x)
    for (uint32_t y = 0; y < 9; ++y) {
      lb.terrain[x * 9 + y] = static_cast<uint16_t>(0x0004 * (x + y));
      lb.height[x * 9 + y] = static_cast<uint8_t>(10 + 5 * (x + y) + (x == 4 && y == 4 ? 40 : 0));
    }
  return lb;
}

// A9B4: terrain, objects, buildings whose portals have odd and even stab counts, and a
// restriction table. A9B5: objects but no buildings. 1234: terrain only.
void add_landblock_samples(DatWriter& w) {
  using tessary::BuildInfo;
  w.add_file(0xA9B4FFFF, ts::cell_landblock_bytes(terrain(0xA9B4FFFF, 1)));
  const BuildInfo cottage{.model_id = 0x01001234,
                          .frame = frame_at(84, -0.5f, 0),
                          .num_leaves = 3,
                          .portals = {ts::portal_with_stabs(3), ts::portal_with_stabs(2)}};
  const BuildInfo tower{.model_id = 0x01002F00,
                        .frame = frame_at(120.25f, 36, 12.5f),
                        .num_leaves = 5,
                        .portals = {ts::portal_with_stabs(1)}};
  w.add_file(
      0xA9B4FFFE,
      ts::LandblockInfoBuilder{.id = 0xA9B4FFFE,
                               .num_cells = 2,
                               .objects = {{.id = 0x02000001, .frame = frame_at(10, 20, 30)},
                                           {.id = 0x02000002, .frame = frame_at(50, 60, 0.125f)},
                                           {.id = 0x02000003, .frame = frame_at(1e-5f, 0, 0)}},
                               .pack_mask = 1,
                               .buildings = {cottage, tower},
                               .restrictions = {{0xA9B40100, 0x7E000001}}}
          .bytes());
  w.add_file(0xA9B5FFFF, ts::cell_landblock_bytes(terrain(0xA9B5FFFF, 1)));
  w.add_file(0xA9B5FFFE,
             ts::LandblockInfoBuilder{.id = 0xA9B5FFFE,
                                      .objects = {{.id = 0x02000004, .frame = frame_at(8, 8, 8)}}}
                 .bytes());
  w.add_file(0x1234FFFF, ts::cell_landblock_bytes(terrain(0x1234FFFF, 0)));
}

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

Bytes text_bytes(std::string_view s) {
  return {s.begin(), s.end()};
}

// A texture resource: a 24-byte header whose format code sits at bytes 16 to 19, then the data.
Bytes texture(uint32_t width, uint32_t height, uint32_t format, const Bytes& data) {
  Bytes b(24, 0);
  store_le<uint32_t>(&b[4], width);
  store_le<uint32_t>(&b[8], height);
  store_le<uint32_t>(&b[16], format);
  store_le<uint32_t>(&b[20], static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

void add_portal_textures(DatWriter& w) {
  // Format 500: the data after the header is a JPEG stream (here just its start and end markers).
  w.add_file(0x0600127D, texture(1, 1, 500, {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02, 0xFF, 0xD9}));
  // Any other format stays in the client's own layout.
  w.add_file(0x06001280, texture(2, 2, 21, Bytes(16, 0x7F)));
}

// A sound resource: 12 bytes of its own, the 16-byte wave format block, 2 unused bytes, samples.
void add_portal_sounds(DatWriter& w) {
  constexpr uint32_t kRate = 8000;
  Bytes b(30, 0);
  store_le<uint16_t>(&b[12], 1);  // PCM
  store_le<uint16_t>(&b[14], 1);  // mono
  store_le<uint32_t>(&b[16], kRate);
  store_le<uint32_t>(&b[20], kRate);  // bytes per second at 8 bits
  store_le<uint16_t>(&b[24], 1);
  store_le<uint16_t>(&b[26], 8);
  for (int i = 0; i < 400; ++i)  // a short 440 Hz beep
    b.push_back(static_cast<uint8_t>(128 + 100 * std::sin(i * 2 * M_PI * 440 / kRate)));
  w.add_file(0x0A000001, b);
}

// Stored LRS-compressed (flag bit 0); every reader gets it back expanded.
void add_portal_compressed_table(DatWriter& w) {
  std::string text;
  for (int i = 0; i < 20; ++i)
    text += "sample table row " + std::to_string(i % 4) + "\n";
  w.add_file(0x0E000002, tessary::testsupport::compress_lrs(text_bytes(text)), 1);
}

void add_portal_models_and_others(DatWriter& w) {
  w.add_file(0x0100002A, Bytes(300, 0x4D));                     // model
  w.add_file(0x0200013B, Bytes(120, 0x53));                     // setup model
  w.add_file(0x04000F01, Bytes(2048, 0x50));                    // palette, two blocks long
  w.add_file(0x0D000107, Bytes(64, 0x45));                      // environment cell
  w.add_file(0x220000A0, text_bytes("enum mapper"));            // enum mapper
  w.add_file(0x5A000001, text_bytes("prefix without a type"));  // unknown kind
}

std::vector<uint8_t> portal() {
  DatWriter w(1024, 1);
  add_weenie_samples(w);
  w.add_file(0x0E00000E, sample_spell_table());
  add_portal_models_and_others(w);
  add_portal_textures(w);
  add_portal_sounds(w);
  add_portal_compressed_table(w);
  return w.finish();
}

void add_cell_indoor_cells(DatWriter& w) {
  w.add_file(0xA9B40100, Bytes(90, 0x63));
  w.add_file(0xA9B40101, Bytes(90, 0x64));
}

std::vector<uint8_t> cell() {
  DatWriter w(256, 2);
  add_landblock_samples(w);
  add_cell_indoor_cells(w);
  return w.finish();
}

// Loose resource files for `tsy-pack`: [ID].[TYPE] names, some worth compressing and one not, and
// a file whose name does not fit, which packing skips.
std::vector<std::pair<std::string, Bytes>> loose_files() {
  Bytes texture(2048);
  store_le<uint32_t>(texture.data() + 16, 500);  // a JPEG texture: its data follows byte 24
  for (size_t i = 24; i < texture.size(); ++i)
    texture[i] = static_cast<uint8_t>(i % 16);
  Bytes noise(64);
  uint32_t x = 2463534242u;
  for (uint8_t& b : noise) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    b = static_cast<uint8_t>(x);
  }
  std::string table;
  for (int i = 0; i < 40; ++i)
    table += "loose table row " + std::to_string(i % 4) + "\n";
  return {{"0600127D.6", texture},
          {"0100002A.1", noise},
          {"0E000002.E", text_bytes(table)},
          {"README", text_bytes("Files named [ID].[TYPE] go into the archive.\n")}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sample DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  std::vector<std::pair<std::string, Bytes>> files = {{"portal.dat", portal()},
                                                      {"cell.dat", cell()}};
  for (auto& [name, bytes] : loose_files())
    files.emplace_back("loose/" + name, std::move(bytes));
  std::filesystem::create_directories(dir / "loose");
  for (const auto& [name, bytes] : files) {
    if (auto w = tessary::write_file(dir / name, bytes); !w) {
      std::fprintf(stderr, "make-sample: %s: %s\n", name.c_str(), w.error().message.c_str());
      return 1;
    }
  }
  return 0;
}
