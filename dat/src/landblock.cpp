#include "tessary/dat/landblock.hpp"

#include <algorithm>
#include <string_view>
#include <utility>

namespace tessary {

namespace {

// `count` items read by `read_one`. Capacity is bounded by what the remaining bytes could hold, so
// a corrupt count fails on the bytes rather than exhausting memory.
template <typename T, typename ReadOne>
Decoded<std::vector<T>> read_sequence(Cursor& c, uint64_t count, uint64_t min_item_size,
                                      ReadOne&& read_one) {
  std::vector<T> out;
  out.reserve(c.capacity_for(count, min_item_size));
  for (uint64_t i = 0; i < count; ++i)
    out.push_back(TRY(read_one(c)));
  return out;
}

}  // namespace

Decoded<CellLandblock> CellLandblock::unpack(std::span<const uint8_t> data) {
  constexpr std::string_view kRecord = "CellLandblock";
  Cursor c(data);
  CellLandblock lb;
  lb.id = TRY_FIELD(c.u32(), "id", kRecord);
  lb.has_objects = TRY_FIELD(c.u32(), "has_objects", kRecord);
  for (uint16_t& t : lb.terrain)
    t = TRY_FIELD(c.u16(), "terrain", kRecord);
  auto height =
      TRY_FIELD(c.bytes(kLandblockVertices, DecodeError::kNotEnoughBytes), "height", kRecord);
  std::copy(height.begin(), height.end(), lb.height.begin());
  return lb;
}

Decoded<Frame> Frame::read(Cursor& c) {
  Frame f;
  f.origin = TRY_FIELD(Vector3::read(c), "origin", "Frame");
  f.orientation = TRY_FIELD(Quaternion::read(c), "orientation", "Frame");
  return f;
}

Decoded<Stab> Stab::read(Cursor& c) {
  Stab s;
  s.id = TRY_FIELD(c.u32(), "id", "Stab");
  s.frame = TRY_FIELD(Frame::read(c), "frame", "Stab");
  return s;
}

Decoded<PortalInternal> PortalInternal::read(Cursor& c) {
  constexpr std::string_view kRecord = "PortalInternal";
  PortalInternal p;
  p.flags = TRY_FIELD(c.u16(), "flags", kRecord);
  p.other_cell_id = TRY_FIELD(c.u16(), "other_cell_id", kRecord);
  p.other_portal_id = TRY_FIELD(c.u16(), "other_portal_id", kRecord);
  const uint16_t num_stabs = TRY_FIELD(c.u16(), "num_stabs", kRecord);
  p.stab_list =
      TRY_FIELD(read_sequence<uint16_t>(c, num_stabs, 2, [](Cursor& r) { return r.u16(); }),
                "stab_list", kRecord);
  // Keeps the record a multiple of 4 bytes; like alignment, the skip itself checks nothing.
  if (num_stabs % 2 != 0) c.seek(c.pos() + 2);
  return p;
}

Decoded<BuildInfo> BuildInfo::read(Cursor& c) {
  constexpr std::string_view kRecord = "BuildInfo";
  BuildInfo b;
  b.model_id = TRY_FIELD(c.u32(), "model_id", kRecord);
  b.frame = TRY_FIELD(Frame::read(c), "frame", kRecord);
  b.num_leaves = TRY_FIELD(c.u32(), "num_leaves", kRecord);
  const uint32_t num_portals = TRY_FIELD(c.u32(), "num_portals", kRecord);
  b.portals = TRY_FIELD(
      read_sequence<PortalInternal>(c, num_portals, PortalInternal::kMinSize, PortalInternal::read),
      "portals", kRecord);
  return b;
}

Decoded<RestrictionTable> RestrictionTable::read(Cursor& c) {
  constexpr std::string_view kRecord = "RestrictionTable";
  const uint16_t count = TRY_FIELD(c.u16(), "count", kRecord);
  TRY_FIELD(c.u16(), "_bucket_size", kRecord);
  RestrictionTable t;
  t.tables.reserve(c.capacity_for(count, kPairSize));
  for (uint16_t i = 0; i < count; ++i) {
    const uint32_t key = TRY_FIELD(c.u32(), "tables", kRecord);
    t.tables.insert_or_assign(key, TRY_FIELD(c.u32(), "tables", kRecord));
  }
  return t;
}

Decoded<LandblockInfo> LandblockInfo::unpack(std::span<const uint8_t> data) {
  constexpr std::string_view kRecord = "LandblockInfo";
  Cursor c(data);
  LandblockInfo info;
  info.id = TRY_FIELD(c.u32(), "id", kRecord);
  info.num_cells = TRY_FIELD(c.u32(), "num_cells", kRecord);
  const uint32_t num_objects = TRY_FIELD(c.u32(), "num_objects", kRecord);
  info.objects =
      TRY_FIELD(read_sequence<Stab>(c, num_objects, Stab::kSize, Stab::read), "objects", kRecord);
  const uint16_t num_buildings = TRY_FIELD(c.u16(), "num_buildings", kRecord);
  info.pack_mask = TRY_FIELD(c.u16(), "pack_mask", kRecord);
  info.buildings =
      TRY_FIELD(read_sequence<BuildInfo>(c, num_buildings, BuildInfo::kMinSize, BuildInfo::read),
                "buildings", kRecord);
  if (info.pack_mask & kHasRestrictions)
    info.restriction_tables = TRY_FIELD(RestrictionTable::read(c), "restriction_tables", kRecord);
  return info;
}

}  // namespace tessary
