#include "tessary/dat/weenie.hpp"

#include <string>
#include <utility>

#include "tessary/dat/strings.hpp"

namespace tessary {

namespace {

// A 16-bit count, then that many (u32 key, value) entries, each handed to `apply` in file order.
template <typename ReadValue, typename Apply>
Decoded<void> read_property_list(Cursor& c, ReadValue&& read_value, Apply&& apply) {
  const uint16_t count = TRY(c.u16());
  for (uint16_t i = 0; i < count; ++i) {
    const uint32_t key = TRY(c.u32());
    apply(key, TRY(read_value()));
  }
  return {};
}

// Client string with a 2-byte length, then padding to 4 (after every string, the last included).
Decoded<std::string> read_padded_string(Cursor& c) {
  std::string s = TRY(read_pstring(c, 2));
  c.align4();
  return s;
}

}  // namespace

Decoded<Weenie> Weenie::unpack_from_reader(Cursor& c) {
  Weenie w;
  w.class_id = TRY(c.u32());
  w.weenie_type = TRY(c.u32());
  TRY(c.bytes(4));
  WorldObjectProperties& p = w.properties;
  TRY(read_property_list(
      c, [&] { return c.i32(); }, [&](uint32_t k, int32_t v) { apply_raw_int(p, k, v); }));
  TRY(read_property_list(
      c, [&] { return c.i64(); }, [&](uint32_t k, int64_t v) { apply_raw_int64(p, k, v); }));
  TRY(read_property_list(
      c, [&] { return c.u8(); }, [&](uint32_t k, uint8_t v) { apply_raw_bool(p, k, v != 0); }));
  TRY(read_property_list(
      c, [&] { return c.f64(); }, [&](uint32_t k, double v) { apply_raw_float(p, k, v); }));
  TRY(read_property_list(
      c, [&] { return read_padded_string(c); },
      [&](uint32_t k, std::string v) { apply_raw_string(p, k, std::move(v)); }));
  TRY(read_property_list(
      c, [&] { return c.u32(); }, [&](uint32_t k, uint32_t v) { apply_raw_did(p, k, v); }));
  TRY(read_property_list(
      c, [&] { return c.u32(); }, [&](uint32_t k, uint32_t v) { apply_raw_iid(p, k, v); }));
  return w;
}

DatResult<Weenie> Weenie::unpack(std::span<const uint8_t> bytes) {
  Cursor c(bytes);
  return unpack_from_reader(c);
}

std::optional<std::string_view> Weenie::name() const {
  auto it = properties.strings.find(*PropertyString::from_repr(1));
  if (it == properties.strings.end()) return std::nullopt;
  return it->second;
}

std::optional<uint32_t> Weenie::icon_id() const {
  auto it = properties.data_ids.find(*PropertyDataId::from_repr(8));
  if (it == properties.data_ids.end()) return std::nullopt;
  return it->second;
}

DatResult<WeenieTable> WeenieTable::unpack(std::span<const uint8_t> bytes) {
  if (bytes.size() < kHeaderSize) return std::unexpected(DecodeError::end_of_data());
  WeenieTable t;
  t.table_id = load_le<uint32_t>(bytes.data());
  const uint16_t count = load_le<uint16_t>(bytes.data() + 4);
  Cursor c(bytes, kHeaderSize);
  t.entries.reserve(c.capacity_for(count, 4 + Weenie::kMinSize));
  for (uint16_t i = 0; i < count; ++i) {
    const uint32_t key = TRY(c.u32());
    t.entries.insert_or_assign(key, TRY(Weenie::unpack_from_reader(c)));
  }
  return t;
}

const Weenie* WeenieTable::find(uint32_t class_id) const {
  auto it = entries.find(class_id);
  return it == entries.end() ? nullptr : &it->second;
}

}  // namespace tessary
