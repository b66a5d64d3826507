#pragma once
// The two records of a landblock in the cell dataset: its terrain (file id low bits 0xFFFF) and its
// static objects and buildings (low bits 0xFFFE). Both decode from the start of the resource and
// fail with a decode error naming every field on the way down.

#include <absl/container/flat_hash_map.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tessary/common/cursor.hpp"
#include "tessary/common/math.hpp"

namespace tessary {

// 9 x 9 vertices; the vertex in column x and row y is element x * 9 + y.
inline constexpr size_t kLandblockVertices = 81;

struct CellLandblock {
  static constexpr size_t kSize = 4 + 4 + 2 * kLandblockVertices + kLandblockVertices;  // 251

  uint32_t id = 0;
  uint32_t has_objects = 0;
  std::array<uint16_t, kLandblockVertices> terrain{};
  std::array<uint8_t, kLandblockVertices> height{};

  static Decoded<CellLandblock> unpack(std::span<const uint8_t> data);
};

struct Frame {
  static constexpr uint64_t kSize = 28;

  Vector3 origin{};
  Quaternion orientation{};

  static Decoded<Frame> read(Cursor& c);
};

struct Stab {
  static constexpr uint64_t kSize = 4 + Frame::kSize;

  uint32_t id = 0;
  Frame frame{};

  static Decoded<Stab> read(Cursor& c);
};

struct PortalInternal {
  static constexpr uint64_t kMinSize = 8;

  uint16_t flags = 0;
  uint16_t other_cell_id = 0;
  uint16_t other_portal_id = 0;
  std::vector<uint16_t> stab_list{};

  // An odd number of stabs is followed by 2 bytes of padding, skipped unread.
  static Decoded<PortalInternal> read(Cursor& c);
};

struct BuildInfo {
  static constexpr uint64_t kMinSize = 4 + Frame::kSize + 4 + 4;

  uint32_t model_id = 0;
  Frame frame{};
  uint32_t num_leaves = 0;
  std::vector<PortalInternal> portals{};

  static Decoded<BuildInfo> read(Cursor& c);
};

struct RestrictionTable {
  static constexpr uint64_t kPairSize = 8;

  // A key that occurs twice holds the value of its last pair.
  absl::flat_hash_map<uint32_t, uint32_t> tables;

  static Decoded<RestrictionTable> read(Cursor& c);
};

struct LandblockInfo {
  static constexpr uint16_t kHasRestrictions = 1;

  uint32_t id = 0;
  uint32_t num_cells = 0;
  std::vector<Stab> objects{};
  uint16_t pack_mask = 0;
  std::vector<BuildInfo> buildings{};
  std::optional<RestrictionTable> restriction_tables{};  // present when pack_mask bit 0 is set

  static Decoded<LandblockInfo> unpack(std::span<const uint8_t> data);
};

}  // namespace tessary
