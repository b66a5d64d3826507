// Writes the bundled sample dataset: a portal-style and a cell-style DAT file built by the
// project's own writer, so `make run` needs no client files.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tessary/common/io.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/record_builders.hpp"

using tessary::testsupport::DatWriter;

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

std::vector<uint8_t> portal() {
  DatWriter w(1024, 1);
  w.add_file(0x0100002A, std::string(300, 'm'));
  w.add_file(0x0600127D, std::string(2500, 't'));
  w.add_file(0x0A000001, std::string(64, 's'));
  w.add_file(0x0E000002, std::string(40, 'x'));
  add_weenie_samples(w);
  return w.finish();
}

std::vector<uint8_t> cell() {
  DatWriter w(256, 2);
  add_landblock_samples(w);
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
