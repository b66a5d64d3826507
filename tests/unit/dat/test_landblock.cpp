#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tessary/dat/landblock.hpp"
#include "tessary/testsupport/record_builders.hpp"

namespace tessary {
namespace {

using testsupport::cell_landblock_bytes;
using testsupport::LandblockInfoBuilder;
using testsupport::portal_with_stabs;

// The failure, then "While parsing field '…' in …" for each (field, record), innermost first.
std::string chain(const char* failure, std::vector<std::pair<const char*, const char*>> fields) {
  std::string out = failure;
  for (const auto& [field, record] : fields)
    out += std::string("\nWhile parsing field '") + field + "' in " + record;
  return out;
}
constexpr const char* kEof = "failed to fill whole buffer";

CellLandblock sample_terrain() {
  CellLandblock lb{.id = 0xA9B4FFFF, .has_objects = 1};
  for (size_t i = 0; i < kLandblockVertices; ++i) {
    lb.terrain[i] = static_cast<uint16_t>(i * 3);
    lb.height[i] = static_cast<uint8_t>(i);
  }
  return lb;
}

TEST(CellLandblock, SizesAndContexts) {
  std::vector<uint8_t> bytes = cell_landblock_bytes(sample_terrain());
  ASSERT_EQ(bytes.size(), 251u);
  const CellLandblock lb = CellLandblock::unpack(bytes).value();
  EXPECT_EQ(lb.id, 0xA9B4FFFFu);
  EXPECT_EQ(lb.has_objects, 1u);
  EXPECT_EQ(lb.terrain[80], 240);
  EXPECT_EQ(lb.height[80], 80);

  bytes.push_back(0xFF);
  const CellLandblock longer = CellLandblock::unpack(bytes).value();
  EXPECT_EQ(longer.height, lb.height);
  EXPECT_EQ(longer.terrain, lb.terrain);

  const std::pair<size_t, std::string> cuts[] = {
      {0, chain(kEof, {{"id", "CellLandblock"}})},
      {7, chain(kEof, {{"has_objects", "CellLandblock"}})},
      {169, chain(kEof, {{"terrain", "CellLandblock"}})},
      {250, chain("not enough bytes in reader", {{"height", "CellLandblock"}})},
  };
  for (const auto& [size, text] : cuts) {
    auto r = CellLandblock::unpack(std::span(bytes).first(size));
    ASSERT_FALSE(r) << size;
    EXPECT_EQ(r.error().to_string(), text) << size;
  }
}

Frame frame_at(float x, float y, float z) {
  return Frame{.origin = {x, y, z}, .orientation = {1, 0, 0, 0}};
}

// Two objects, one building with portals of 3 and 2 stabs, and a restriction table of two pairs.
// Offsets: objects at 12 and 44, num_buildings 76, pack_mask 78, building 80 (frame 84, num_leaves
// 112, num_portals 116), portals at 120 (stabs 128, padding 134) and 136 (stabs 144), restriction
// table at 148 (pairs from 152), end 168.
LandblockInfoBuilder full_info() {
  return LandblockInfoBuilder{
      .id = 0xA9B4FFFE,
      .num_cells = 3,
      .objects = {{.id = 0x01000001, .frame = frame_at(1, 2, 3)},
                  {.id = 0x01000002, .frame = frame_at(4, 5, 6)}},
      .pack_mask = 1,
      .buildings = {{.model_id = 0x01001234,
                     .frame = frame_at(84, -0.5f, 0),
                     .num_leaves = 4,
                     .portals = {portal_with_stabs(3), portal_with_stabs(2)}}},
      .restrictions = {{0xA9B40100, 7}, {0xA9B40101, 8}},
  };
}

TEST(LandblockInfo, FullRecord) {
  const std::vector<uint8_t> bytes = full_info().bytes();
  ASSERT_EQ(bytes.size(), 168u);
  const LandblockInfo info = LandblockInfo::unpack(bytes).value();
  EXPECT_EQ(info.id, 0xA9B4FFFEu);
  EXPECT_EQ(info.num_cells, 3u);
  ASSERT_EQ(info.objects.size(), 2u);
  EXPECT_EQ(info.objects[1].id, 0x01000002u);
  EXPECT_EQ(info.objects[1].frame.origin.z, 6.0f);
  EXPECT_EQ(info.objects[1].frame.orientation.w, 1.0f);
  ASSERT_EQ(info.buildings.size(), 1u);
  const BuildInfo& b = info.buildings[0];
  EXPECT_EQ(b.model_id, 0x01001234u);
  EXPECT_EQ(b.frame.origin.debug(), "Vector3 { x: 84.0, y: -0.5, z: 0.0 }");
  EXPECT_EQ(b.num_leaves, 4u);
  ASSERT_EQ(b.portals.size(), 2u);
  EXPECT_EQ(b.portals[0].stab_list, (std::vector<uint16_t>{1, 2, 3}));
  // Read after the odd portal's padding: misplaced if the padding were not skipped.
  EXPECT_EQ(b.portals[1].flags, 2);
  EXPECT_EQ(b.portals[1].other_cell_id, 0x0100);
  EXPECT_EQ(b.portals[1].other_portal_id, 1);
  EXPECT_EQ(b.portals[1].stab_list, (std::vector<uint16_t>{1, 2}));
  ASSERT_TRUE(info.restriction_tables);
  EXPECT_EQ(info.restriction_tables->tables.size(), 2u);
  EXPECT_EQ(info.restriction_tables->tables.at(0xA9B40101), 8u);
}

TEST(LandblockInfo, EveryContextChain) {
  const std::vector<uint8_t> bytes = full_info().bytes();
  const char* info = "LandblockInfo";
  const std::pair<const char*, const char*> objects{"objects", info};
  const std::pair<const char*, const char*> buildings{"buildings", info};
  const std::pair<const char*, const char*> portals{"portals", "BuildInfo"};
  const std::pair<const char*, const char*> restrictions{"restriction_tables", info};
  const std::pair<size_t, std::string> cuts[] = {
      {2, chain(kEof, {{"id", info}})},
      {6, chain(kEof, {{"num_cells", info}})},
      {10, chain(kEof, {{"num_objects", info}})},
      {13, chain(kEof, {{"id", "Stab"}, objects})},
      {50, chain(kEof, {{"x", "Vector3"}, {"origin", "Frame"}, {"frame", "Stab"}, objects})},
      {54, chain(kEof, {{"y", "Vector3"}, {"origin", "Frame"}, {"frame", "Stab"}, objects})},
      {58, chain(kEof, {{"z", "Vector3"}, {"origin", "Frame"}, {"frame", "Stab"}, objects})},
      {62,
       chain(kEof, {{"w", "Quaternion"}, {"orientation", "Frame"}, {"frame", "Stab"}, objects})},
      {74,
       chain(kEof, {{"z", "Quaternion"}, {"orientation", "Frame"}, {"frame", "Stab"}, objects})},
      {77, chain(kEof, {{"num_buildings", info}})},
      {79, chain(kEof, {{"pack_mask", info}})},
      {81, chain(kEof, {{"model_id", "BuildInfo"}, buildings})},
      {90, chain(kEof, {{"y", "Vector3"}, {"origin", "Frame"}, {"frame", "BuildInfo"}, buildings})},
      {100,
       chain(kEof,
             {{"x", "Quaternion"}, {"orientation", "Frame"}, {"frame", "BuildInfo"}, buildings})},
      {113, chain(kEof, {{"num_leaves", "BuildInfo"}, buildings})},
      {117, chain(kEof, {{"num_portals", "BuildInfo"}, buildings})},
      {121, chain(kEof, {{"flags", "PortalInternal"}, portals, buildings})},
      {123, chain(kEof, {{"other_cell_id", "PortalInternal"}, portals, buildings})},
      {125, chain(kEof, {{"other_portal_id", "PortalInternal"}, portals, buildings})},
      {127, chain(kEof, {{"num_stabs", "PortalInternal"}, portals, buildings})},
      {131, chain(kEof, {{"stab_list", "PortalInternal"}, portals, buildings})},
      // The padding itself is skipped unchecked; the next portal's first field runs out.
      {135, chain(kEof, {{"flags", "PortalInternal"}, portals, buildings})},
      {145, chain(kEof, {{"stab_list", "PortalInternal"}, portals, buildings})},
      {148, chain(kEof, {{"count", "RestrictionTable"}, restrictions})},
      {151, chain(kEof, {{"_bucket_size", "RestrictionTable"}, restrictions})},
      {152, chain(kEof, {{"tables", "RestrictionTable"}, restrictions})},
      {163, chain(kEof, {{"tables", "RestrictionTable"}, restrictions})},
  };
  for (const auto& [size, text] : cuts) {
    auto r = LandblockInfo::unpack(std::span(bytes).first(size));
    ASSERT_FALSE(r) << size;
    EXPECT_EQ(r.error().to_string(), text) << size;
  }
}

TEST(LandblockInfo, LayoutCases) {
  const std::vector<uint8_t> empty = LandblockInfoBuilder{.id = 0xA9B4FFFE}.bytes();
  ASSERT_EQ(empty.size(), 16u);
  const LandblockInfo e = LandblockInfo::unpack(empty).value();
  EXPECT_TRUE(e.objects.empty());
  EXPECT_TRUE(e.buildings.empty());
  EXPECT_FALSE(e.restriction_tables);

  // Bits other than bit 0 change nothing; without bit 0 the bytes after the buildings are ignored.
  std::vector<uint8_t> other_bits = LandblockInfoBuilder{.pack_mask = 0xFFFE}.bytes();
  other_bits.insert(other_bits.end(), 8, 0xFF);
  EXPECT_FALSE(LandblockInfo::unpack(other_bits).value().restriction_tables);

  const LandblockInfo dup =
      LandblockInfo::unpack(
          LandblockInfoBuilder{.pack_mask = 1, .restrictions = {{5, 1}, {6, 2}, {5, 3}}}.bytes())
          .value();
  ASSERT_TRUE(dup.restriction_tables);
  EXPECT_EQ(dup.restriction_tables->tables.size(), 2u);
  EXPECT_EQ(dup.restriction_tables->tables.at(5), 3u) << "the last pair wins";

  const BuildInfo building{
      .model_id = 1, .frame = frame_at(0, 0, 0), .num_leaves = 0, .portals = {}};
  for (uint16_t stabs : {uint16_t{0}, uint16_t{1}, uint16_t{2}, uint16_t{3}}) {
    BuildInfo b = building;
    b.portals = {portal_with_stabs(stabs)};
    const std::vector<uint8_t> bytes = LandblockInfoBuilder{.buildings = {b}}.bytes();
    EXPECT_EQ(bytes.size(),
              16u + BuildInfo::kMinSize + (stabs % 2 ? 8 + 2 * stabs + 2 : 8 + 2 * stabs))
        << stabs;
    EXPECT_EQ(LandblockInfo::unpack(bytes).value().buildings[0].portals[0].stab_list.size(), stabs);
  }
}

TEST(LandblockInfo, CountsBeyondTheBytesFailWithoutSettingMemoryAside) {
  std::vector<uint8_t> bytes = LandblockInfoBuilder{}.bytes();
  std::fill(bytes.begin() + 8, bytes.begin() + 12, 0xFF);  // num_objects 0xFFFFFFFF
  EXPECT_EQ(LandblockInfo::unpack(bytes).error().to_string(),
            chain(kEof, {{"x", "Vector3"},
                         {"origin", "Frame"},
                         {"frame", "Stab"},
                         {"objects", "LandblockInfo"}}));

  BuildInfo b{.model_id = 1, .frame = frame_at(0, 0, 0), .num_leaves = 0, .portals = {}};
  std::vector<uint8_t> portals = LandblockInfoBuilder{.buildings = {b}}.bytes();
  std::fill(portals.end() - 4, portals.end(), 0xFF);  // num_portals 0xFFFFFFFF
  EXPECT_EQ(LandblockInfo::unpack(portals).error().to_string(),
            chain(kEof, {{"flags", "PortalInternal"},
                         {"portals", "BuildInfo"},
                         {"buildings", "LandblockInfo"}}));
}

}  // namespace
}  // namespace tessary
