#include "tessary/testsupport/record_builders.hpp"

#include "tessary/common/cursor.hpp"

namespace tessary::testsupport {

namespace {

template <typename T>
void put(std::vector<uint8_t>& out, T v) {
  const size_t at = out.size();
  out.resize(at + sizeof(T));
  store_le<T>(out.data() + at, v);
}

template <typename V, typename PutValue>
void put_list(std::vector<uint8_t>& out, const Entries<V>& entries, PutValue&& put_value) {
  put<uint16_t>(out, static_cast<uint16_t>(entries.size()));
  for (const auto& [key, value] : entries) {
    put<uint32_t>(out, key);
    put_value(value);
  }
}

void put_frame(std::vector<uint8_t>& out, const Frame& f) {
  for (float v : {f.origin.x, f.origin.y, f.origin.z, f.orientation.w, f.orientation.x,
                  f.orientation.y, f.orientation.z})
    put<float>(out, v);
}

void put_portal(std::vector<uint8_t>& out, const PortalInternal& p) {
  put<uint16_t>(out, p.flags);
  put<uint16_t>(out, p.other_cell_id);
  put<uint16_t>(out, p.other_portal_id);
  put<uint16_t>(out, static_cast<uint16_t>(p.stab_list.size()));
  for (uint16_t s : p.stab_list)
    put<uint16_t>(out, s);
  if (p.stab_list.size() % 2 != 0) put<uint16_t>(out, 0);
}

}  // namespace

void WeenieBuilder::append_to(std::vector<uint8_t>& out) const {
  put<uint32_t>(out, class_id);
  put<uint32_t>(out, weenie_type);
  put<uint32_t>(out, 0);
  put_list(out, ints, [&](int32_t v) { put(out, v); });
  put_list(out, int64s, [&](int64_t v) { put(out, v); });
  put_list(out, bools, [&](uint8_t v) { put(out, v); });
  put_list(out, floats, [&](double v) { put(out, v); });
  put_list(out, strings, [&](const std::string& v) {
    put<uint16_t>(out, static_cast<uint16_t>(v.size()));
    out.insert(out.end(), v.begin(), v.end());
    out.resize((out.size() + 3) & ~size_t{3}, 0);
  });
  put_list(out, data_ids, [&](uint32_t v) { put(out, v); });
  put_list(out, instance_ids, [&](uint32_t v) { put(out, v); });
}

std::vector<uint8_t> WeenieBuilder::bytes() const {
  std::vector<uint8_t> out;
  append_to(out);
  return out;
}

std::vector<uint8_t> WeenieTableBuilder::bytes() const {
  std::vector<uint8_t> out;
  put<uint32_t>(out, table_id);
  put<uint16_t>(out, count.value_or(static_cast<uint16_t>(entries.size())));
  put<uint16_t>(out, 0);
  for (const auto& [key, weenie] : entries) {
    put<uint32_t>(out, key);
    weenie.append_to(out);
  }
  return out;
}

std::vector<uint8_t> cell_landblock_bytes(const CellLandblock& lb) {
  std::vector<uint8_t> out;
  put<uint32_t>(out, lb.id);
  put<uint32_t>(out, lb.has_objects);
  for (uint16_t t : lb.terrain)
    put<uint16_t>(out, t);
  out.insert(out.end(), lb.height.begin(), lb.height.end());
  return out;
}

std::vector<uint8_t> LandblockInfoBuilder::bytes() const {
  std::vector<uint8_t> out;
  put<uint32_t>(out, id);
  put<uint32_t>(out, num_cells);
  put<uint32_t>(out, static_cast<uint32_t>(objects.size()));
  for (const Stab& s : objects) {
    put<uint32_t>(out, s.id);
    put_frame(out, s.frame);
  }
  put<uint16_t>(out, static_cast<uint16_t>(buildings.size()));
  put<uint16_t>(out, pack_mask);
  for (const BuildInfo& b : buildings) {
    put<uint32_t>(out, b.model_id);
    put_frame(out, b.frame);
    put<uint32_t>(out, b.num_leaves);
    put<uint32_t>(out, static_cast<uint32_t>(b.portals.size()));
    for (const PortalInternal& p : b.portals)
      put_portal(out, p);
  }
  if (pack_mask & LandblockInfo::kHasRestrictions) {
    put<uint16_t>(out, static_cast<uint16_t>(restrictions.size()));
    put<uint16_t>(out, bucket_size);
    for (const auto& [key, value] : restrictions) {
      put<uint32_t>(out, key);
      put<uint32_t>(out, value);
    }
  }
  return out;
}

PortalInternal portal_with_stabs(uint16_t num_stabs) {
  PortalInternal p{.flags = 2, .other_cell_id = 0x0100, .other_portal_id = 1, .stab_list = {}};
  for (uint16_t i = 1; i <= num_stabs; ++i)
    p.stab_list.push_back(i);
  return p;
}

}  // namespace tessary::testsupport
