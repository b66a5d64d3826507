// `landblock` on a small cell DAT: terrain alone, with objects and buildings, id normalisation and
// failures before and after the printed grid.
#include <gtest/gtest.h>

#include "harness.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/record_builders.hpp"

namespace tessary::cli_test {
namespace {

using testsupport::cell_landblock_bytes;
using testsupport::DatWriter;
using testsupport::LandblockInfoBuilder;
using testsupport::portal_with_stabs;

Frame frame_at(float x, float y, float z) {
  return {.origin = {x, y, z}, .orientation = {1, 0, 0, 0}};
}

// Element x * 9 + y is column x, row y: 8 is the top-left cell, 0 the bottom-left, 80 the
// top-right.
CellLandblock terrain(uint32_t id) {
  CellLandblock lb{.id = id, .has_objects = 1};
  lb.height[0] = 1;
  lb.height[8] = 255;
  lb.height[80] = 2;
  lb.height[4 * 9 + 4] = 44;
  return lb;
}

class LandblockCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    DatWriter w(256, 2);
    w.add_file(0x1234FFFF, cell_landblock_bytes(terrain(0x1234FFFF)));

    w.add_file(0xA9B4FFFF, cell_landblock_bytes(terrain(0xA9B4FFFF)));
    const BuildInfo cottage{.model_id = 0x01001234,
                            .frame = frame_at(84, -0.5f, 0),
                            .num_leaves = 3,
                            .portals = {portal_with_stabs(3), portal_with_stabs(2)}};
    const BuildInfo tower{.model_id = 0x01002F00,
                          .frame = frame_at(1e-5f, 1.5e16f, -0.0f),
                          .num_leaves = 0,
                          .portals = {portal_with_stabs(1)}};
    w.add_file(0xA9B4FFFE, LandblockInfoBuilder{.id = 0xA9B4FFFE,
                                                .objects = {{.id = 1, .frame = frame_at(1, 2, 3)}},
                                                .pack_mask = 1,
                                                .buildings = {cottage, tower},
                                                .restrictions = {{0xA9B40100, 7}, {0xA9B40100, 8}}}
                               .bytes());

    w.add_file(0xA9B5FFFF, cell_landblock_bytes(terrain(0xA9B5FFFF)));
    w.add_file(0xA9B5FFFE, LandblockInfoBuilder{.id = 0xA9B5FFFE,
                                                .objects = {{.id = 1, .frame = frame_at(1, 2, 3)},
                                                            {.id = 2, .frame = frame_at(4, 5, 6)}}}
                               .bytes());

    // The static-object record ends inside the second object's origin.
    w.add_file(0xA9B6FFFF, cell_landblock_bytes(terrain(0xA9B6FFFF)));
    std::vector<uint8_t> cut =
        LandblockInfoBuilder{.id = 0xA9B6FFFE,
                             .objects = {{.id = 1, .frame = frame_at(1, 2, 3)},
                                         {.id = 2, .frame = frame_at(4, 5, 6)}}}
            .bytes();
    cut.resize(12 + 32 + 4 + 6);
    w.add_file(0xA9B6FFFE, cut);

    std::vector<uint8_t> short_terrain = cell_landblock_bytes(terrain(0xA9B7FFFF));
    short_terrain.pop_back();
    w.add_file(0xA9B7FFFF, short_terrain);
    dir_.write("cell.dat", w.finish());
  }

  TempDir dir_;
};

TEST_F(LandblockCommand, Goldens) {
  struct Case {
    const char* golden;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"landblock_terrain_only", {"landblock", "cell.dat", "0x12340000"}},
      {"landblock_buildings", {"landblock", "cell.dat", "0xA9B4FFFF"}},
      {"landblock_no_buildings", {"landblock", "cell.dat", "A9B5FFFF", "--namespace", "eor/cell"}},
      {"landblock_info_undecodable", {"landblock", "cell.dat", "0xA9B60000"}},
      {"landblock_terrain_short", {"landblock", "cell.dat", "0xA9B70000"}},
      {"landblock_missing", {"landblock", "cell.dat", "0xA9B80000"}},
      {"landblock_info_id_as_terrain", {"landblock", "cell.dat", "0xA9B4FFFE"}},
  };
  for (const Case& c : cases)
    expect_golden(c.golden, transcript(c.args, run_tool(c.args, dir_.path())));
}

TEST_F(LandblockCommand, BareLandblockNumberNamesTheTerrainRecord) {
  const RunResult bare = run_tool({"landblock", "cell.dat", "0xA9B40000"}, dir_.path());
  const RunResult full = run_tool({"landblock", "cell.dat", "0xA9B4FFFF"}, dir_.path());
  EXPECT_EQ(bare.status, 0);
  EXPECT_EQ(bare.out, full.out);
  EXPECT_EQ(bare.err, full.err);
}

}  // namespace
}  // namespace tessary::cli_test
