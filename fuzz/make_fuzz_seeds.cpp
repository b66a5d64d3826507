// Writes the seed corpus of every fuzz target: make-fuzz-seeds DIR creates DIR/<target>/<name>.
// Sound inputs of each shape the readers know, and damaged ones beside them; the test suite
// replays them all through the targets, and `make fuzz` starts from them.
#include <zstd.h>

#include <fmt/format.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tessary/common/io.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/lrs_encoder.hpp"
#include "tessary/testsupport/record_builders.hpp"
#include "tessary/testsupport/spell_builder.hpp"
#include "tessary/testsupport/tsy_builder.hpp"

namespace {

namespace fs = std::filesystem;
namespace ts = tessary::testsupport;
using Bytes = std::vector<uint8_t>;

fs::path g_root;

void seed(std::string_view target, std::string_view name, std::span<const uint8_t> bytes) {
  const fs::path dir = g_root / target;
  fs::create_directories(dir);
  if (!tessary::write_file(dir / name, bytes)) {
    std::fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
    std::exit(1);
  }
}

void seed(std::string_view target, std::string_view name, std::string_view text) {
  seed(target, name, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

Bytes cut(Bytes bytes, size_t keep) {
  bytes.resize(std::min(keep, bytes.size()));
  return bytes;
}

Bytes text_bytes(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

Bytes repeated(std::string_view piece, int times) {
  Bytes out;
  for (int i = 0; i < times; ++i)
    out.insert(out.end(), piece.begin(), piece.end());
  return out;
}

void lrs_seeds() {
  const Bytes text = repeated("spell of the quick brown fox; ", 40);
  seed("lrs", "text", ts::compress_lrs(text));
  seed("lrs", "run", ts::compress_lrs(Bytes(3000, 'a')));
  seed("lrs", "literal", ts::compress_lrs(text_bytes("abcdefgh12345678")));
  Bytes lying = ts::compress_lrs(text);
  lying[3] = 0x7F;  // declares ~2 GiB
  seed("lrs", "declared_huge", lying);
  seed("lrs", "cut_in_copy", cut(ts::compress_lrs(text), 40));
  // Flag byte 0x80, then a copy reaching before the first byte.
  seed("lrs", "copy_before_start", Bytes{16, 0, 0, 0, 0x40, 'x', 0xFF, 0xF3});
}

Bytes sample_dat(uint32_t block_size, bool compressed_entry) {
  ts::DatWriter w(block_size);
  w.add_file(0x06000001, "a small texture");
  w.add_file(0x06000002, repeated("payload spanning blocks ", 60));
  if (compressed_entry) w.add_file(0x0A000003, ts::compress_lrs(repeated("sound ", 200)), 1);
  for (uint32_t i = 0; i < 70; ++i)
    w.add_file(0x01000000 + i, repeated("m", int(i)));
  return w.finish();
}

void dat_seeds() {
  const Bytes portal = sample_dat(1024, true);
  seed("dat", "portal", portal);
  seed("dat", "small_blocks", sample_dat(64, false));
  seed("dat", "minimal_blocks", sample_dat(8, true));
  seed("dat", "empty", ts::DatWriter(256, 2).finish());
  seed("dat", "cut_in_header", cut(portal, 0x140 + 40));
  seed("dat", "cut_in_directory", cut(portal, 0x140 + 80 + 500));
  {
    // The root lists itself as a child.
    ts::DatWriter w(256);
    const uint32_t root = w.reserve_node();
    w.write_node(root, {{.id = 1, .offset = 0, .size = 0}}, {root, root});
    w.set_root(root);
    seed("dat", "directory_cycle", w.finish());
  }
  {
    // A chain of 80 nodes, each the only child of the one before.
    ts::DatWriter w(2048);
    uint32_t child = 0;
    for (uint32_t i = 0; i < 80; ++i)
      child = w.add_node({{.id = i + 1}},
                         child ? std::vector<uint32_t>{child, 0} : std::vector<uint32_t>{});
    w.set_root(child);
    seed("dat", "directory_deep", w.finish());
  }
  {
    // A block that links back to itself, under an entry far longer than the file.
    ts::DatWriter w(64);
    const uint32_t offset = w.add_chain(Bytes(60, 'z'));
    w.add_entry({.id = 7, .offset = offset, .size = 0x7FFFFFFF});
    w.add_entry({.id = 8, .offset = 0xFFFFFFF0, .size = 100});
    seed("dat", "entry_beyond_file", w.finish());
  }
  {
    // A node that claims more entries than it has room for.
    ts::DatWriter w(1024);
    w.set_root(w.add_node({{.id = 1}}, {}, 500));
    seed("dat", "count_too_large", w.finish());
  }
}

Bytes zstd_frame(std::span<const uint8_t> data) {
  Bytes out(ZSTD_compressBound(data.size()));
  out.resize(ZSTD_compress(out.data(), out.size(), data.data(), data.size(), 3));
  return out;
}

void tsy_seeds() {
  using tessary::TsyEntry;
  const Bytes text = repeated("resource text ", 100);
  const Bytes frame = zstd_frame(text);
  {
    ts::TsyBuilder b;
    b.add("eor/portal", 0x06000001, "plain")
        .add("eor/portal", 0x06000002, frame, TsyEntry::kCompressed, uint32_t(text.size()))
        .add("eor/portal", 0x06000003, "");
    seed("tsy", "single_namespace", b.build());
  }
  {
    ts::TsyBuilder b;
    b.add("eor/cell", 1, "cell").add("eor/cell", 2, "more").add("eor/portal", 1, "portal");
    seed("tsy", "two_namespaces", b.build());
  }
  seed("tsy", "empty", ts::TsyBuilder().build());
  {
    ts::TsyBuilder b;
    b.add("eor/portal", 1, frame, TsyEntry::kCompressed, 0xFFFFFFF0);
    seed("tsy", "frame_smaller_than_claimed", b.build());
  }
  {
    // 16 KB of output from a 64 KB frame, in an entry that claims 4 GiB.
    ts::TsyBuilder b;
    b.add("eor/portal", 1, ts::zstd_rle_frame(16000, 1), TsyEntry::kCompressed, UINT32_MAX);
    seed("tsy", "frame_far_smaller_than_claimed", b.build());
  }
  {
    Bytes damaged = frame;
    damaged[damaged.size() / 2] ^= 0x5A;
    ts::TsyBuilder b;
    b.add("eor/portal", 1, damaged, TsyEntry::kCompressed, uint32_t(text.size()));
    seed("tsy", "frame_damaged", b.build());
  }
  {
    ts::TsyBuilder b;
    b.add("eor/portal", 1, "x");
    b.entries()[0].offset = 0xFFFFFFFFFFFFFFF0;
    b.entries()[0].comp_size = 0x100;
    seed("tsy", "entry_offset_overflow", b.build());
  }
  {
    ts::TsyBuilder b;
    b.add("eor/portal", 1, "x");
    b.header().entry_count = 0x04000000;
    seed("tsy", "count_beyond_file", b.build());
  }
  {
    ts::TsyBuilder b;
    b.add("eor/portal", 1, "x");
    b.header().metadata_size = 0xFFFFFFF0;
    seed("tsy", "metadata_huge", b.build());
  }
  {
    ts::TsyBuilder b;
    b.add("eor/portal", 2, "b").add("eor/portal", 1, "a").add("eor/portal", 3, "c");
    seed("tsy", "index_unsorted", b.build());
  }
  {
    ts::TsyBuilder b;
    b.add("eor/portal", 1, "x");
    seed("tsy", "cut_in_index", cut(b.build(), b.build().size() - 10));
  }
}

void record_seeds() {
  const ts::WeenieBuilder apple{.class_id = 1,
                                .weenie_type = 1,
                                .ints = {{1, 5}},
                                .int64s = {{2, -1}},
                                .bools = {{3, 1}},
                                .floats = {{4, 0.5}},
                                .strings = {{1, "Apple"}, {9, ""}},
                                .data_ids = {{8, 0x06001234}},
                                .instance_ids = {{5, 9}}};
  const Bytes weenie = apple.bytes();
  seed("weenie", "apple", weenie);
  seed("weenie", "bare", ts::WeenieBuilder{.class_id = 2}.bytes());
  seed("weenie", "cut", cut(weenie, weenie.size() - 3));
  const ts::WeenieTableBuilder table{.table_id = 0x0E000007,
                                     .entries = {{1, apple}, {2, {.class_id = 2}}}};
  seed("weenie_table", "two", table.bytes());
  seed("weenie_table", "empty", ts::WeenieTableBuilder{.table_id = 0x0E000007}.bytes());
  ts::WeenieTableBuilder overcounted = table;
  overcounted.count = 0xFFFF;
  seed("weenie_table", "count_too_large", overcounted.bytes());

  tessary::CellLandblock terrain{.id = 0xA9B4FFFF, .has_objects = 1};
  for (size_t i = 0; i < terrain.terrain.size(); ++i) {
    terrain.terrain[i] = uint16_t(i * 37);
    terrain.height[i] = uint8_t(i);
  }
  const Bytes terrain_bytes = ts::cell_landblock_bytes(terrain);
  seed("cell_landblock", "terrain", terrain_bytes);
  seed("cell_landblock", "cut", cut(terrain_bytes, 100));

  const tessary::BuildInfo house{.model_id = 0x01000001,
                                 .num_leaves = 2,
                                 .portals = {ts::portal_with_stabs(3), ts::portal_with_stabs(2)}};
  const ts::LandblockInfoBuilder info{.id = 0xA9B4FFFE,
                                      .num_cells = 4,
                                      .objects = {{.id = 0x02000001}},
                                      .pack_mask = 1,
                                      .buildings = {house},
                                      .restrictions = {{0xA9B40100, 7}},
                                      .bucket_size = 8};
  const Bytes info_bytes = info.bytes();
  seed("landblock_info", "buildings", info_bytes);
  seed("landblock_info", "bare", ts::LandblockInfoBuilder{.id = 0x1234FFFE}.bytes());
  seed("landblock_info", "cut", cut(info_bytes, info_bytes.size() / 2));
}

void spell_seeds() {
  using tessary::SpellExtras;
  ts::SpellTableBuilder t;
  t.spell(1, {.name = "Blast", .description = "Hurts.", .school = 1, .category = 3, .power = 50});
  t.spell(2, {.name = "Gate",
              .school = 4,
              .meta_spell_type = 7,
              .extras = {SpellExtras::PortalSummon{60}}});
  t.spell(3, {.name = "\xEF\xBB\xBFUTF-8 \xC3\xA9",
              .school = 9,
              .meta_spell_type = 1,
              .extras = {SpellExtras::Enchantment{.duration = 30, .degrade_limit = 2}}});
  t.spell(4, {.name = "Cr\xE9"
                      "e",
              .base_range_constant = 1.0f / 3.0f});
  t.spell_set(9, {{.key = 1, .spells = {1, 2}}, {.key = 2, .spells = {3}, .count = 40}});
  const Bytes table = t.build();
  seed("spell_export", "table", table);
  seed("spell_export", "empty", ts::SpellTableBuilder().build());
  seed("spell_export", "cut", cut(table, table.size() / 2));
}

void text_seeds() {
  for (std::string_view text :
       {"0x0E00000E", "12345", "DEADBEEF", " \t42\xE3\x80\x80", "+ff", "4294967296", "0x",
        "eor/portal", "eor/cell", "0600001A.6", "0600001A.6.bak", ".6", "0600001A.", "\xFF\xFE",
        "a-label-of-exactly-32-bytes-long", "\xC3\xA9t\xC3\xA9"}) {
    std::string name;
    for (char c : text)
      name += fmt::format("{:02x}", uint8_t(c));
    seed("cli_text", name.empty() ? "empty" : name, text);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-fuzz-seeds DIR\n");
    return 2;
  }
  g_root = argv[1];
  lrs_seeds();
  dat_seeds();
  tsy_seeds();
  record_seeds();
  spell_seeds();
  text_seeds();
  return 0;
}
