#pragma once
// Object templates ("weenies"): a class id, a type and typed properties, stored alone or as the
// entries of a weenie table resource. Property entries with unknown keys are dropped on decode.

#include <absl/container/flat_hash_map.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "tessary/common/cursor.hpp"
#include "tessary/common/properties/storage.hpp"
#include "tessary/dat/error.hpp"

namespace tessary {

struct Weenie {
  // Class id, type, 4 unread bytes and seven empty property lists.
  static constexpr uint64_t kMinSize = 26;

  uint32_t class_id = 0;
  uint32_t weenie_type = 0;
  WorldObjectProperties properties;

  // One template at the start of a whole resource; trailing bytes are ignored.
  static DatResult<Weenie> unpack(std::span<const uint8_t> bytes);
  // One template at the cursor, which moves past it. String values are padded to 4 bytes relative
  // to the cursor's position 0, so the cursor must run over the whole resource.
  static Decoded<Weenie> unpack_from_reader(Cursor& c);

  // String property 1.
  std::optional<std::string_view> name() const;
  // Data id property 8.
  std::optional<uint32_t> icon_id() const;
};

struct WeenieTable {
  static constexpr uint64_t kHeaderSize = 8;

  uint32_t table_id = 0;
  // Keyed by the table's own key, which is not checked against the weenie's class id.
  absl::flat_hash_map<uint32_t, Weenie> entries;

  // A later entry with a key already present replaces the earlier one.
  static DatResult<WeenieTable> unpack(std::span<const uint8_t> bytes);

  const Weenie* find(uint32_t class_id) const;
};

}  // namespace tessary
